// The writer's Office encryption against the reader's decryption, two
// implementations written apart: every scheme, written with a Japanese
// password, opens with that password only and reads back page for page as
// the plain file.

#include <gtest/gtest.h>

#include <jet/JetEngine.h>
#include <jet/JetFile.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/OfficeEncryption.h>
#include <tools/jetwriter/PageFile.h>
#include <tools/jetwriter/SchemaError.h>

#include <tests/support/EngineTestSupport.h>

#include "Fixtures.h"

namespace tabulon::jetwriter {
namespace {

// With a character outside the Basic Multilingual Plane, two UTF-16 units.
constexpr char Password[] = "秘密のパスワード😀";

constexpr EncryptionScheme AllSchemes[] = {
    EncryptionScheme::Rc4Bits40,   EncryptionScheme::Rc4Bits128,
    EncryptionScheme::StandardAes, EncryptionScheme::AesWithoutAesFlag,
    EncryptionScheme::AgileSha1,   EncryptionScheme::AgileSha512,
};

std::shared_ptr<jet::JetFile> Open(const ByteVector& bytes, const std::string& password,
                                   jet::OfficeKeyCache* keys = nullptr) {
  return jet::JetFile::Open(std::make_unique<jet::MemorySource>(bytes), "暗号.accdb", password,
                            keys);
}

// The kind and text of the failure to open `bytes`; Other and "" when it opens.
std::pair<dao::ErrorKind, std::string> Failure(const ByteVector& bytes,
                                               const std::string& password) {
  try {
    Open(bytes, password);
  } catch (const dao::EngineError& e) {
    return {e.Kind(), e.what()};
  }
  return {dao::ErrorKind::Other, ""};
}

TEST(Encryption, EachSchemeReadsBackPageForPageWithItsPasswordOnly) {
  const ByteVector plain = WriteDatabase(test::LoadFixture("features.json")).Bytes;
  const std::size_t pages = plain.size() / PageSize;
  for (const EncryptionScheme scheme : AllSchemes) {
    SCOPED_TRACE(static_cast<int>(scheme));
    const ByteVector encrypted = EncryptAsAce(plain, {scheme, Password, 1000});
    ASSERT_EQ(encrypted.size(), plain.size());
    auto file = Open(encrypted, Password);
    EXPECT_EQ(file->Header().Version, jet::VersionAce14);
    EXPECT_TRUE(file->Header().Password.empty());
    for (std::uint32_t n = 1; n < pages; ++n) {
      const auto at = plain.begin() + static_cast<std::ptrdiff_t>(n * PageSize);
      ASSERT_FALSE(std::equal(at, at + PageSize, encrypted.begin() + (at - plain.begin()))) << n;
      const jet::ByteView page = file->Pages().Page(n);
      ASSERT_TRUE(std::equal(at, at + PageSize, page.Data())) << n;
    }
    for (const char* wrong : {"秘密のパスワード", "秘密のパスワード😀 ", "", "password"}) {
      EXPECT_EQ(Failure(encrypted, wrong),
                std::pair(dao::ErrorKind::WrongPassword, std::string("パスワードが無効です。")))
          << wrong;
    }
  }
}

TEST(Encryption, TheEngineReadsAnEncryptedFileWithoutWritingAnything) {
  test::TempDir dir;
  const Database db = test::LoadFixture("features.json");
  const ByteVector plain = WriteDatabase(db).Bytes;
  const ByteVector encrypted = EncryptAsAce(plain, {EncryptionScheme::AgileSha512, Password, 1000});
  const std::string path = (dir / "暗号.accdb").string();
  test::WriteBytes(path, std::string(encrypted.begin(), encrypted.end()));
  const auto modified = std::filesystem::last_write_time(path);

  std::unique_ptr<dao::Engine> engine = jet::CreateJetEngine();
  dao::Workspace& workspace = engine->Workspaces(0);
  for (int pass = 0; pass < 2; ++pass) {
    std::unique_ptr<dao::Database> database =
        workspace.OpenDatabase(path, false, true, std::string(";pwd=") + Password);
    const test::ModelWalk walk = test::WalkDatabase(*database);
    EXPECT_TRUE(walk.Failures.empty()) << walk.Failures.front();
    EXPECT_EQ(database->TableDefs().Count(), static_cast<int>(db.Tables.size()) + 4);
    EXPECT_EQ(database->Relations().Count(), static_cast<int>(db.Relationships.size()));
    // A wrong password after the right one: the engine's kept key does not
    // stand in for the password.
    EXPECT_THROW(workspace.OpenDatabase(path, false, true, ";pwd=秘密のパスワード"),
                 dao::EngineError);
  }
  EXPECT_EQ(std::filesystem::last_write_time(path), modified);
  EXPECT_EQ(test::ReadBytes(path), std::string(encrypted.begin(), encrypted.end()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(Encryption, AKeptKeyServesOnlyItsOwnPasswordAndFile) {
  const ByteVector plain = WriteDatabase(test::LoadFixture("features.json")).Bytes;
  const ByteVector first = EncryptAsAce(plain, {EncryptionScheme::AgileSha512, Password, 1000});
  const ByteVector second = EncryptAsAce(plain, {EncryptionScheme::AgileSha512, Password, 999});
  jet::OfficeKeyCache keys;
  Open(first, Password, &keys);
  Open(first, Password, &keys);
  EXPECT_EQ(keys.Size(), 1u);
  EXPECT_THROW(Open(first, "秘密", &keys), dao::EngineError);
  EXPECT_EQ(keys.Size(), 2u);
  // Another encryption of the same pages derives its own key.
  Open(second, Password, &keys);
  EXPECT_EQ(keys.Size(), 3u);
}

TEST(Encryption, WhatCannotBeEncryptedIsRefused) {
  const ByteVector plain = WriteDatabase(test::LoadFixture("features.json")).Bytes;
  EXPECT_THROW(EncryptAsAce(plain, {EncryptionScheme::AgileSha1, "", 10}), SchemaError);
  EXPECT_THROW(EncryptAsAce(plain, {EncryptionScheme::AgileSha1, std::string(256, 'x'), 10}),
               SchemaError);
  EXPECT_THROW(EncryptAsAce(ByteVector(plain.begin(), plain.end() - 1),
                            {EncryptionScheme::AgileSha1, "x", 10}),
               SchemaError);
  EXPECT_EQ(EncryptionSchemeNamed("agile-sha512"), EncryptionScheme::AgileSha512);
  EXPECT_EQ(EncryptionSchemeNamed("agile"), std::nullopt);
}

}  // namespace
}  // namespace tabulon::jetwriter
