#include <jet/CryptoLibrary.h>

#include <new>

#include <openssl/crypto.h>
#include <openssl/provider.h>

namespace tabulon::jet {

namespace {

class Library {
 public:
  Library() : FContext(OSSL_LIB_CTX_new()) {
    if (FContext == nullptr) throw std::bad_alloc();
    FDefault = OSSL_PROVIDER_load(FContext, "default");
    // Without the legacy provider RC4 is not offered; such files are then
    // refused as using a cipher libcrypto lacks.
    FLegacy = OSSL_PROVIDER_load(FContext, "legacy");
  }
  ~Library() {
    if (FLegacy != nullptr) OSSL_PROVIDER_unload(FLegacy);
    if (FDefault != nullptr) OSSL_PROVIDER_unload(FDefault);
    OSSL_LIB_CTX_free(FContext);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  OSSL_LIB_CTX* Context() const { return FContext; }

 private:
  OSSL_LIB_CTX* FContext;
  OSSL_PROVIDER* FDefault = nullptr;
  OSSL_PROVIDER* FLegacy = nullptr;
};

}  // namespace

OSSL_LIB_CTX* CryptoLibrary() {
  // Built after libcrypto's own start-up, so it is released before
  // libcrypto's clean-up at exit.
  static Library library;
  return library.Context();
}

}  // namespace tabulon::jet
