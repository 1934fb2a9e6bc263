#pragma once
// One member of the object model as read once: its value, or the text of
// the failure that kept it from being read. Reading a whole schema never
// stops at a member that fails; whoever shows the schema decides what a
// failure becomes.

#include <exception>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace tabulon::schema {

// Why a member could not be read: the engine's text.
struct Failure {
  std::string Text;
};

template <class T>
class Member {
 public:
  // A member not read (yet): a failure without text.
  Member() : FState(Failure{}) {}
  Member(T value) : FState(std::move(value)) {}
  Member(Failure failure) : FState(std::move(failure)) {}

  bool Ok() const { return FState.index() == 1; }
  // The value; only when Ok() (otherwise throws std::bad_variant_access).
  const T& operator*() const { return std::get<T>(FState); }
  const T* operator->() const { return &std::get<T>(FState); }
  // The failure's text; "" when Ok().
  const std::string& Error() const {
    static const std::string none;
    return Ok() ? none : std::get<Failure>(FState).Text;
  }
  T ValueOr(T fallback) const { return Ok() ? **this : std::move(fallback); }

 private:
  std::variant<Failure, T> FState;
};

// Runs `read` and keeps what it returns, or the text of what it throws.
template <class F>
auto ReadMember(F&& read) -> Member<std::decay_t<decltype(read())>> {
  try {
    return read();
  } catch (const std::exception& e) {
    return Failure{e.what()};
  }
}

}  // namespace tabulon::schema
