#pragma once
// A JSON text written as it is produced, never held as a tree: objects and
// arrays are opened and closed, keys and values are appended in order.
// The text is indented by two spaces a level, one member or element a
// line, so that documents kept in git show small diffs.
//
// Strings are checked as they are written: every control character is
// escaped and a malformed UTF-8 sequence becomes U+FFFD, so whatever a
// database holds, the output is valid JSON in valid UTF-8.
//
// The writer buffers its text and hands it to its sink only at Flush (and
// at Finish), so that a member that fails half-way can be taken back
// (Mark, Rewind) as long as no Flush came in between.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon::outputs {

class JsonWriter {
 public:
  // `sink` receives the text piece by piece; what it throws propagates.
  explicit JsonWriter(std::function<void(std::string_view)> sink);

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The next member's key; only inside an object, before its value.
  void Key(std::string_view key);
  void String(std::string_view text);
  void Number(std::int64_t number);
  void Bool(bool value);
  void Null();

  // A place to come back to, and the way back: everything written after
  // the mark is dropped. Only valid while no Flush came after the mark.
  struct Position {
    std::size_t Size = 0;
    std::vector<bool> Opened;  // per open level: has it an element yet?
    bool ExpectValue = false;
  };
  Position Mark() const;
  void Rewind(const Position& position);

  // Hands the buffered text to the sink.
  void Flush();
  // Ends the document with a line break and flushes it; every object and
  // array must be closed.
  void Finish();

  // `text` as a JSON string literal, quotes included.
  static void AppendString(std::string& out, std::string_view text);

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void Indent(std::size_t depth);

  std::function<void(std::string_view)> FSink;
  std::string FBuffer;
  std::vector<bool> FOpened;
  bool FExpectValue = false;
};

}  // namespace tabulon::outputs
