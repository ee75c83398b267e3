#include <gtest/gtest.h>

#include "common/win/message_box.h"
#include "common/win/registry.h"
#include "common/win/window_search.h"

using namespace registry;

namespace {

const std::string kKey = "Software\\KestrunTests\\Registry";
const std::string kMissing = "Software\\KestrunTests\\NoSuchKey";

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestrunTests");
    MakeKey(HKEY_CURRENT_USER, kKey);
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestrunTests"); }

  // Kind and stored bytes, read past the module.
  static std::pair<DWORD, std::string> Raw(const std::string& name) {
    HKEY key;
    DWORD kind = 0, size = 0;
    std::string data(1024, '\0');
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {0, ""};
    size = static_cast<DWORD>(data.size());
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &kind, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return {0, "<missing>"};
    data.resize(size);
    return {kind, data};
  }

  static void WriteRaw(const std::string& name, DWORD kind, const std::string& bytes) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, kind, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }
};

}  // namespace

TEST_F(Registry, TextIsStoredWithoutNulAndReadsBackExactly) {
  for (std::string text : {std::string("Player One"), std::string(""), std::string("a\tb  "), std::string(300, 'x')}) {
    StoreKeyValue(HKEY_CURRENT_USER, kKey, "Name", text, kText);
    EXPECT_EQ(Raw("Name").first, static_cast<DWORD>(REG_SZ));
    RegValue back = ReadKeyValue(HKEY_CURRENT_USER, kKey, "Name");
    ASSERT_TRUE(std::holds_alternative<std::string>(back)) << text;
    EXPECT_EQ(std::get<std::string>(back), text);
  }
}

TEST_F(Registry, TextWrittenWithATerminatingNulLosesIt) {
  WriteRaw("Other", REG_SZ, std::string("10.0.0.1\0", 9));
  EXPECT_EQ(ReadKeyValue(HKEY_CURRENT_USER, kKey, "Other"), RegValue{std::string("10.0.0.1")});
}

TEST_F(Registry, NumbersAndKindsWeDoNotRead) {
  StoreKeyValue(HKEY_CURRENT_USER, kKey, "Check", int32_t{1}, kNumber);
  EXPECT_EQ(Raw("Check").first, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(ReadKeyValue(HKEY_CURRENT_USER, kKey, "Check"), RegValue{int32_t{1}});
  StoreKeyValue(HKEY_CURRENT_USER, kKey, "Neg", std::string("-7"), kNumber);  // text turned into a number
  EXPECT_EQ(ReadKeyValue(HKEY_CURRENT_USER, kKey, "Neg"), RegValue{int32_t{-7}});
  StoreKeyValue(HKEY_CURRENT_USER, kKey, "AsText", int32_t{42}, kText);
  EXPECT_EQ(ReadKeyValue(HKEY_CURRENT_USER, kKey, "AsText"), RegValue{std::string("42")});

  WriteRaw("Raw", REG_BINARY, "\x01\x02");
  WriteRaw("Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  for (const char* name : {"Raw", "Multi"}) {
    RegValue v = std::string("kept");
    EXPECT_EQ(FetchValue(key, name, v), -1) << name;
    EXPECT_EQ(v, RegValue{std::string("kept")}) << name;
  }
  RegValue missing = int32_t{5};
  EXPECT_NE(FetchValue(key, "Nothing", missing), 0);
  EXPECT_EQ(missing, RegValue{int32_t{5}});
  EXPECT_EQ(PutValue(key, "Kind3", std::string("x"), 3), 0);  // other kinds write nothing
  RegCloseKey(key);
  EXPECT_EQ(Raw("Kind3").second, "<missing>");
  EXPECT_TRUE(IsEmptyValue(ReadKeyValue(HKEY_CURRENT_USER, kKey, "Raw")));
  EXPECT_TRUE(IsEmptyValue(ReadKeyValue(HKEY_CURRENT_USER, kKey, "Nothing")));
}

TEST_F(Registry, MissingKeysAreNeverCreatedAndMakeKeyKeepsValues) {
  StoreKeyValue(HKEY_CURRENT_USER, kMissing, "Name", std::string("x"), kText);
  HKEY key;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kMissing.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_TRUE(IsEmptyValue(ReadKeyValue(HKEY_CURRENT_USER, kMissing, "Name")));

  StoreKeyValue(HKEY_CURRENT_USER, kKey, "Keep", std::string("me"), kText);
  MakeKey(HKEY_CURRENT_USER, kKey);
  EXPECT_EQ(ReadKeyValue(HKEY_CURRENT_USER, kKey, "Keep"), RegValue{std::string("me")});
  MakeKey(HKEY_CURRENT_USER, kKey + "\\Deeper\\Still");
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (kKey + "\\Deeper\\Still").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(FindCaptionWindow, MatchesExactCaptionsOnlyAndRestoresTheTitle) {
  SetAppTitle("Kestrun");
  HWND longer = CreateWindowA("STATIC", "MOHAA Console (old)", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
  ASSERT_TRUE(longer);
  EXPECT_EQ(FindWindowByExactCaption("MOHAA Console"), nullptr);
  EXPECT_EQ(AppTitle(), "Kestrun");

  HWND exact = CreateWindowA("STATIC", "MOHAA Console", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(exact);
  EXPECT_EQ(FindWindowByExactCaption("MOHAA Console"), exact);
  EXPECT_EQ(FindWindowByExactCaption("mohaa console"), nullptr) << "captions are compared exactly";
  EXPECT_EQ(AppTitle(), "Kestrun");

  std::string seen;
  SetMessageHook([&](const std::string&, const std::string& title, unsigned) {
    seen = title;
    return IDOK;
  });
  ShowMessage("hello", MB_OK);
  EXPECT_EQ(seen, "Kestrun");
  SetMessageHook(nullptr);
  DestroyWindow(exact);
  DestroyWindow(longer);
}
