#include <gtest/gtest.h>

#include <windows.h>

#include "support/Registry.h"

namespace {

const char* const kTestKey = "Software\\SetupKitTests\\Registry";

// Removes the test key before and after each test, so every test starts from nothing.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\SetupKitTests");
    }

    static void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }

    // Type and bytes of a value; type REG_NONE with no bytes when it is absent.
    static std::pair<DWORD, std::string> GetRaw(const char* name) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return {REG_NONE, std::string()};
        }
        char buffer[512] = {};
        DWORD type = REG_NONE;
        DWORD size = sizeof(buffer);
        const LONG result =
            ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        ::RegCloseKey(key);
        if (result != ERROR_SUCCESS) {
            return {REG_NONE, std::string()};
        }
        return {type, std::string(buffer, size)};
    }
};

} // namespace

TEST_F(RegistryTest, KeyOpenCreateCloseDelete) {
    CRegistryKey key;
    EXPECT_FALSE(key.Open(HKEY_LOCAL_MACHINE, kTestKey));
    EXPECT_EQ(key.GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.IsOpen());
    // Close on a closed key succeeds and leaves the last error alone.
    EXPECT_TRUE(key.Close());
    EXPECT_EQ(key.GetLastError(), ERROR_FILE_NOT_FOUND);

    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, kTestKey));
    EXPECT_TRUE(key.IsOpen());
    EXPECT_TRUE(key.SetString("", "default"));
    EXPECT_TRUE(key.SetDword("count", 7));
    std::string text;
    EXPECT_TRUE(key.QueryString("", text));
    EXPECT_EQ(text, "default");
    DWORD count = 0;
    EXPECT_TRUE(key.QueryDword("count", count));
    EXPECT_EQ(count, 7u);
    EXPECT_TRUE(key.DeleteValue("count"));
    EXPECT_FALSE(key.QueryDword("count", count));
    EXPECT_EQ(count, 7u);
    EXPECT_TRUE(key.Close());
    EXPECT_FALSE(key.IsOpen());
    EXPECT_TRUE(key.DeleteKey(HKEY_LOCAL_MACHINE, kTestKey));
    EXPECT_FALSE(key.Open(HKEY_LOCAL_MACHINE, kTestKey));
}

TEST_F(RegistryTest, StringsAreWrittenWithTheirZeroByte) {
    CRegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, kTestKey));
    ASSERT_TRUE(key.SetString("name", "abc"));
    const auto raw = GetRaw("name");
    EXPECT_EQ(raw.first, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.second, std::string("abc", 4));
}

TEST_F(RegistryTest, WrongTypesFailWith1804AndKeepTheDefault) {
    const char expand[] = "%SystemRoot%\\x";
    const unsigned char bytes[] = {1, 2, 3, 4};
    const DWORD number = 5;
    const unsigned long long wide = 9;
    SetRaw("expand", REG_EXPAND_SZ, expand, sizeof(expand));
    SetRaw("binary", REG_BINARY, bytes, sizeof(bytes));
    SetRaw("number", REG_DWORD, &number, sizeof(number));
    SetRaw("text", REG_SZ, "12", 3);
    SetRaw("wide", REG_QWORD, &wide, sizeof(wide));

    for (const char* name : {"expand", "binary", "number"}) {
        SCOPED_TRACE(name);
        CRegistryString value(HKEY_LOCAL_MACHINE, kTestKey, name, "fallback", true, true);
        EXPECT_EQ(value.GetData(), "fallback");
        EXPECT_EQ(value.GetLastError(), ERROR_INVALID_DATATYPE);
        EXPECT_EQ(value.GetLastError(), 1804);
    }
    {
        SCOPED_TRACE("dword from text or raw bytes");
        CRegistryDword text(HKEY_LOCAL_MACHINE, kTestKey, "text", 77, true, true);
        EXPECT_EQ(text.GetData(), 77u);
        EXPECT_EQ(text.GetLastError(), 1804);
        CRegistryDword binary(HKEY_LOCAL_MACHINE, kTestKey, "binary", 77, true, true);
        EXPECT_EQ(binary.GetData(), 77u);
        EXPECT_EQ(binary.GetLastError(), 1804);
    }
    // A value longer than 4 bytes does not fit the query: a failed read, default kept.
    CRegistryDword wideValue(HKEY_LOCAL_MACHINE, kTestKey, "wide", 77, true, true);
    EXPECT_EQ(wideValue.GetData(), 77u);
    EXPECT_NE(wideValue.GetLastError(), ERROR_SUCCESS);

    // Nothing was changed, so nothing was written back.
    EXPECT_EQ(GetRaw("expand").first, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(GetRaw("text").second, std::string("12", 3));
}

TEST_F(RegistryTest, ValueObjectsWriteBackOnlyWhenChanged) {
    {
        CRegistryString unchanged(HKEY_LOCAL_MACHINE, kTestKey, "s", "dflt", true, true);
        EXPECT_EQ(unchanged.GetData(), "dflt");
        CRegistryDword missing(HKEY_LOCAL_MACHINE, kTestKey, "d", 3, true, true);
        EXPECT_EQ(missing.GetData(), 3u);
        EXPECT_EQ(missing.GetLastError(), ERROR_FILE_NOT_FOUND);
    }
    CRegistryKey probe;
    EXPECT_FALSE(probe.Open(HKEY_LOCAL_MACHINE, kTestKey)); // nothing created

    {
        CRegistryString noWriteBack(HKEY_LOCAL_MACHINE, kTestKey, "s", "", true, false);
        noWriteBack.SetData("lost");
    }
    EXPECT_FALSE(probe.Open(HKEY_LOCAL_MACHINE, kTestKey));

    {
        CRegistryString text(HKEY_LOCAL_MACHINE, kTestKey, "s", "", true, true);
        text.SetData("kept");
        CRegistryDword number(HKEY_LOCAL_MACHINE, kTestKey, "d", 0, true, true);
        number.SetData(42);
        EXPECT_TRUE(number.Write());
        EXPECT_FALSE(number.IsChanged());
    }
    EXPECT_EQ(GetRaw("s"), std::make_pair(static_cast<DWORD>(REG_SZ), std::string("kept", 5)));
    const auto d = GetRaw("d");
    EXPECT_EQ(d.first, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(d.second.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(d.second[0]), 42);

    // Read back through the value classes; "" names the key's default value.
    {
        CRegistryString def(HKEY_LOCAL_MACHINE, kTestKey, "", "", true, true);
        def.SetData("the default");
    }
    CRegistryString def(HKEY_LOCAL_MACHINE, kTestKey, "", "", true, true);
    EXPECT_EQ(def.GetData(), "the default");
    CRegistryDword number(HKEY_LOCAL_MACHINE, kTestKey, "d", 0, true, true);
    EXPECT_EQ(number.GetData(), 42u);
    EXPECT_EQ(number.GetLastError(), ERROR_SUCCESS);
}

TEST_F(RegistryTest, StringWithoutTerminatorReadsWhole) {
    SetRaw("raw", REG_SZ, "abcd", 4); // no zero byte stored
    CRegistryString value(HKEY_LOCAL_MACHINE, kTestKey, "raw", "", true, false);
    EXPECT_EQ(value.GetData(), "abcd");
}
