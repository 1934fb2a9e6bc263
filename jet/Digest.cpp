#include <jet/Digest.h>

#include <openssl/err.h>
#include <openssl/evp.h>

#include <jet/ByteView.h>
#include <jet/CryptoLibrary.h>

namespace tabulon::jet {

struct Digest::Handles {
  std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> Md{nullptr, EVP_MD_free};
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> Context{nullptr, EVP_MD_CTX_free};
};

std::unique_ptr<Digest> Digest::Find(const std::string& name) {
  auto handles = std::make_unique<Handles>();
  handles->Md.reset(EVP_MD_fetch(CryptoLibrary(), name.c_str(), nullptr));
  if (!handles->Md || EVP_MD_get_size(handles->Md.get()) <= 0) {
    ERR_clear_error();
    return nullptr;
  }
  handles->Context.reset(EVP_MD_CTX_new());
  if (!handles->Context) throw std::bad_alloc();
  return std::unique_ptr<Digest>(new Digest(std::move(handles)));
}

Digest::Digest(std::unique_ptr<Handles> handles)
    : FHandles(std::move(handles)),
      FSize(static_cast<std::size_t>(EVP_MD_get_size(FHandles->Md.get()))) {}

Digest::~Digest() = default;

void Digest::Hash(std::initializer_list<std::span<const std::uint8_t>> parts,
                  std::span<std::uint8_t> out) {
  EVP_MD_CTX* context = FHandles->Context.get();
  bool done = out.size() == FSize && EVP_DigestInit_ex2(context, FHandles->Md.get(), nullptr) == 1;
  for (const auto& part : parts) {
    done = done && EVP_DigestUpdate(context, part.data(), part.size()) == 1;
  }
  unsigned int length = 0;
  done = done && EVP_DigestFinal_ex(context, out.data(), &length) == 1 && length == FSize;
  if (!done) {
    ERR_clear_error();
    throw FormatError("ハッシュの計算に失敗しました");
  }
}

std::vector<std::uint8_t> Digest::Of(std::initializer_list<std::span<const std::uint8_t>> parts) {
  std::vector<std::uint8_t> out(FSize);
  Hash(parts, out);
  return out;
}

}  // namespace tabulon::jet
