// Registry keys: typed queries that answer false for missing or mistyped values, writers,
// error codes, and window placements that are kept only in their exact stored size.
#include "app/RegistryAccess.h"
#include "app/winutil/Registry.h"
#include "app/winutil/ResourceLoader.h"
#include "app/winutil/WindowPlacement.h"
#include "app/tests/RegistryTestSupport.h"

#include <gtest/gtest.h>

using WinUtil::Registry::Key;

namespace {

const wchar_t* const kPath = L"Software\\QuorvelTest\\RegistryKey";

class RegistryKeyTest : public ::testing::Test {
protected:
    void SetUp() override { key = Key::Create(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS); }
    void TearDown() override { key.Close(); }
    AppTest::ScopedTestKey scope{kPath};
    Key key;
};

bool Exists(const wchar_t* path) { return static_cast<bool>(Key::OpenIfExists(HKEY_CURRENT_USER, path, KEY_READ)); }

} // namespace

TEST_F(RegistryKeyTest, MissingValuesAnswerFalse) {
    DWORD dword = 77;
    std::wstring text = L"unchanged";
    EXPECT_FALSE(key.QueryDword(L"Nothing", dword));
    EXPECT_FALSE(key.QueryString(L"Nothing", text));
    EXPECT_EQ(dword, 77u);
    EXPECT_EQ(text, L"unchanged");
}

TEST_F(RegistryKeyTest, MistypedValuesAnswerFalse) {
    key.SetString(L"Text", L"12");
    key.SetDword(L"Number", 12);
    const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    key.SetBinary(L"Long", eight, 8);
    // A REG_DWORD-typed value of the wrong size.
    ASSERT_EQ(RegSetValueExW(key.Get(), L"ShortDword", 0, REG_DWORD, eight, 2), ERROR_SUCCESS);
    // A REG_SZ of a single byte.
    ASSERT_EQ(RegSetValueExW(key.Get(), L"TinyText", 0, REG_SZ, eight, 1), ERROR_SUCCESS);

    DWORD dword = 5;
    std::wstring text = L"same";
    EXPECT_FALSE(key.QueryDword(L"Text", dword));
    EXPECT_FALSE(key.QueryDword(L"Long", dword));
    EXPECT_FALSE(key.QueryDword(L"ShortDword", dword));
    EXPECT_FALSE(key.QueryString(L"Number", text));
    EXPECT_FALSE(key.QueryString(L"TinyText", text));
    EXPECT_EQ(dword, 5u);
    EXPECT_EQ(text, L"same");
}

TEST_F(RegistryKeyTest, WrittenValuesReadBack) {
    key.SetDword(L"ShowToolbar", 1);
    key.SetString(L"Name", L"Klassendiagramm \u00e4\u00f6\u00fc");
    key.SetString(L"Empty", L"");
    DWORD dword = 0;
    std::wstring text;
    EXPECT_TRUE(key.QueryDword(L"ShowToolbar", dword));
    EXPECT_EQ(dword, 1u);
    EXPECT_TRUE(key.QueryString(L"Name", text));
    EXPECT_EQ(text, L"Klassendiagramm \u00e4\u00f6\u00fc");
    EXPECT_TRUE(key.QueryString(L"Empty", text));  // the terminator alone is two bytes
    EXPECT_EQ(text, L"");
    // The stored size counts the terminator.
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key.Get(), L"Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, (std::wstring(L"Klassendiagramm \u00e4\u00f6\u00fc").size() + 1) * 2);
}

TEST_F(RegistryKeyTest, StringWithoutTerminatorIsReadWhole) {
    const wchar_t raw[3] = {L'a', L'b', L'c'};
    ASSERT_EQ(RegSetValueExW(key.Get(), L"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), 6), ERROR_SUCCESS);
    std::wstring text;
    EXPECT_TRUE(key.QueryString(L"Raw", text));
    EXPECT_EQ(text, L"abc");
}

TEST_F(RegistryKeyTest, OpeningAMissingKeyThrowsWithTheErrorCode) {
    try {
        Key::Open(HKEY_CURRENT_USER, std::wstring(kPath) + L"\\Missing", KEY_READ);
        FAIL() << "no exception";
    } catch (const WinUtil::Registry::Exception& e) {
        EXPECT_EQ(e.GetCode(), ERROR_FILE_NOT_FOUND);
        EXPECT_NE(std::string(e.what()).find("RegOpenKeyExW"), std::string::npos);
    }
    EXPECT_FALSE(Key::OpenIfExists(HKEY_CURRENT_USER, std::wstring(kPath) + L"\\Missing", KEY_READ));
}

TEST_F(RegistryKeyTest, WritingThroughAReadOnlyKeyThrows) {
    Key readOnly = Key::Open(HKEY_CURRENT_USER, kPath, KEY_QUERY_VALUE);
    EXPECT_THROW(readOnly.SetDword(L"X", 1), WinUtil::Registry::Exception);
}

TEST_F(RegistryKeyTest, AccessProviderOpensForReadingAndWriting) {
    Application::UserKeyRegistryAccess access(std::wstring(kPath) + L"\\App");
    EXPECT_FALSE(access.OpenKeyForReading());  // not made yet
    {
        Key w = access.OpenKeyForWriting();
        w.SetDword(L"V", 9);
    }
    Key r = access.OpenKeyForReading();
    DWORD v = 0;
    ASSERT_TRUE(r);
    EXPECT_TRUE(r.QueryDword(L"V", v));
    EXPECT_EQ(v, 9u);
}

TEST_F(RegistryKeyTest, PlacementKeptOnlyWhenExactly44Bytes) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.showCmd = SW_SHOWMAXIMIZED;
    wp.rcNormalPosition = {10, 20, 410, 320};
    WinUtil::WindowPlacement placement(wp);
    placement.WriteToRegistry(key, L"Placement");
    std::vector<BYTE> raw;
    ASSERT_TRUE(key.QueryBinary(L"Placement", raw));
    EXPECT_EQ(raw.size(), 44u);

    WinUtil::WindowPlacement read;
    EXPECT_TRUE(read.ReadFromRegistry(key, L"Placement"));
    EXPECT_EQ(read.Get().rcNormalPosition.right, 410);
    EXPECT_EQ(read.Get().showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));

    // 45 bytes, or 44 bytes with a wrong length field, are not taken.
    raw.push_back(0);
    key.SetBinary(L"Long", raw.data(), 45);
    raw.pop_back();
    raw[0] = 40;
    key.SetBinary(L"BadLength", raw.data(), 44);
    WinUtil::WindowPlacement none;
    EXPECT_FALSE(none.ReadFromRegistry(key, L"Long"));
    EXPECT_FALSE(none.ReadFromRegistry(key, L"BadLength"));
    EXPECT_FALSE(none.ReadFromRegistry(key, L"Missing"));
    EXPECT_FALSE(none.IsValid());
    EXPECT_FALSE(none.ApplyToWindow(nullptr));
}

TEST(FormatPattern, InsertsArgumentsByNumber) {
    using WinUtil::FormatPattern;
    EXPECT_EQ(FormatPattern(L"%2 of %1", {L"a", L"b"}), L"b of a");
    EXPECT_EQ(FormatPattern(L"100%% %1%", {L"x"}), L"100% x%");
    EXPECT_EQ(FormatPattern(L"%3 missing", {L"a"}), L"%3 missing");
    std::vector<std::wstring> many;
    for (int i = 1; i <= 12; ++i) many.push_back(std::to_wstring(i * 10));
    EXPECT_EQ(FormatPattern(L"%12/%1", many), L"120/10");
    EXPECT_EQ(FormatPattern(L"%13", many), L"103");  // %1 followed by a literal 3
}

TEST(ResourceLoader, MissingStringIsEmpty) {
    EXPECT_EQ(WinUtil::ResourceLoader::Instance().LoadString(65000), L"");
    EXPECT_EQ(WinUtil::ResourceLoader::Instance().GetInstance(), GetModuleHandleW(nullptr));
    WinUtil::ResourceStringArray strings(64000, 2);
    EXPECT_THROW(strings[2], std::out_of_range);
}

TEST(RegistryTestKeys, RemovedWithTheParentsTheyLeaveEmpty) {
    {
        Key keep = Key::Create(HKEY_CURRENT_USER, L"Software\\QuorvelTest\\Keep", KEY_ALL_ACCESS);
        {
            AppTest::ScopedTestKey scratch(L"Software\\QuorvelTest\\Scratch\\Inner");
            Key inner = Key::Create(HKEY_CURRENT_USER, scratch.Path(), KEY_ALL_ACCESS);
            inner.SetDword(L"V", 1);
        }
        // A parent that still holds another key stays.
        EXPECT_FALSE(Exists(L"Software\\QuorvelTest\\Scratch"));
        EXPECT_TRUE(Exists(L"Software\\QuorvelTest\\Keep"));
    }
    {
        AppTest::ScopedTestKey keep(L"Software\\QuorvelTest\\Keep");
    }
    EXPECT_FALSE(Exists(L"Software\\QuorvelTest")) << "the test key is left behind";
    EXPECT_TRUE(Exists(L"Software"));
}
