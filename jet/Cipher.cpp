#include <jet/Cipher.h>

#include <climits>

#include <openssl/err.h>
#include <openssl/evp.h>

#include <jet/ByteView.h>
#include <jet/CryptoLibrary.h>

namespace tabulon::jet {

struct Cipher::Handles {
  std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> Algorithm{nullptr, EVP_CIPHER_free};
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> Context{nullptr,
                                                                          EVP_CIPHER_CTX_free};
};

namespace {

[[noreturn]] void Failed() {
  ERR_clear_error();
  throw FormatError("復号に失敗しました");
}

}  // namespace

std::unique_ptr<Cipher> Cipher::Find(const std::string& name) {
  auto handles = std::make_unique<Handles>();
  handles->Algorithm.reset(EVP_CIPHER_fetch(CryptoLibrary(), name.c_str(), nullptr));
  if (!handles->Algorithm) {
    ERR_clear_error();
    return nullptr;
  }
  handles->Context.reset(EVP_CIPHER_CTX_new());
  if (!handles->Context) throw std::bad_alloc();
  return std::unique_ptr<Cipher>(new Cipher(std::move(handles)));
}

Cipher::Cipher(std::unique_ptr<Handles> handles) : FHandles(std::move(handles)) {}

Cipher::~Cipher() = default;

std::size_t Cipher::KeyLength() const {
  return static_cast<std::size_t>(EVP_CIPHER_get_key_length(FHandles->Algorithm.get()));
}

bool Cipher::VariableKeyLength() const {
  return (EVP_CIPHER_get_flags(FHandles->Algorithm.get()) & EVP_CIPH_VARIABLE_LENGTH) != 0;
}

std::size_t Cipher::IvLength() const {
  return static_cast<std::size_t>(EVP_CIPHER_get_iv_length(FHandles->Algorithm.get()));
}

std::size_t Cipher::BlockSize() const {
  return static_cast<std::size_t>(EVP_CIPHER_get_block_size(FHandles->Algorithm.get()));
}

void Cipher::Start(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv) {
  EVP_CIPHER_CTX* context = FHandles->Context.get();
  const bool keyFits =
      VariableKeyLength() ? !key.empty() && key.size() <= INT_MAX : key.size() == KeyLength();
  if (!keyFits || iv.size() != IvLength()) Failed();
  if (EVP_DecryptInit_ex2(context, FHandles->Algorithm.get(), nullptr, nullptr, nullptr) != 1 ||
      (VariableKeyLength() &&
       EVP_CIPHER_CTX_set_key_length(context, static_cast<int>(key.size())) != 1) ||
      EVP_DecryptInit_ex2(context, nullptr, key.data(), iv.empty() ? nullptr : iv.data(),
                          nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(context, 0) != 1) {
    Failed();
  }
}

void Cipher::Restart(std::span<const std::uint8_t> iv) {
  if (iv.size() != IvLength() ||
      EVP_DecryptInit_ex2(FHandles->Context.get(), nullptr, nullptr,
                          iv.empty() ? nullptr : iv.data(), nullptr) != 1) {
    Failed();
  }
}

void Cipher::Decrypt(std::span<std::uint8_t> data) {
  if (data.size() % BlockSize() != 0 || data.size() > INT_MAX) Failed();
  int written = 0;
  // libcrypto decrypts in place when input and output are the same bytes.
  if (!data.empty() && (EVP_DecryptUpdate(FHandles->Context.get(), data.data(), &written,
                                          data.data(), static_cast<int>(data.size())) != 1 ||
                        static_cast<std::size_t>(written) != data.size())) {
    Failed();
  }
}

}  // namespace tabulon::jet
