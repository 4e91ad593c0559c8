#include "store/IniFile.h"
#include "IniProfile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// A fresh folder per test, removed afterwards; the engine's cache is emptied
// so no test sees another's files.
class TempDir {
public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = fs::temp_directory_path() /
               ("pinwell-ini-" + std::to_string(tick) + "-" + std::to_string(++counter));
        fs::create_directories(dir_);
        ini::ClearCache();
    }
    ~TempDir() {
        ini::FailNextWritesForTesting(0);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string File(const std::string& name = "test.ini") const { return (dir_ / name).string(); }
    const fs::path& Path() const { return dir_; }

private:
    fs::path dir_;
};

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> Get(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::size_t FilesIn(const fs::path& dir) {
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

// ------------------------------------------------------------- reading ----

const std::string kFile4 =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n";
const std::string kFile4Cr = "[section1]\rname1=val1\rname2=\"val2\"\rname3\rname4=a\r[section2]\r";
const std::string kNoFile = "\x01no file";

struct ReadCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    const char* def;
    std::uint32_t size;
    std::uint32_t ret;
    std::string written;  // every byte the call may write, NULs included
};

class ReadVectors : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadVectors, GivesTheProfileResult) {
    const ReadCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File();
    if (c.file != kNoFile) Put(path, c.file);
    char buffer[64];
    std::memset(buffer, 0x0c, sizeof buffer);
    const std::uint32_t ret = ini::GetProfileString(path, c.section, c.key, c.def, buffer, c.size);
    EXPECT_EQ(c.ret, ret);
    EXPECT_EQ(c.written, std::string(buffer, c.written.size()));
    EXPECT_EQ(0x0c, buffer[c.written.size()]) << "wrote past the expected bytes";
}

const ReadCase kReadCases[] = {
    // names and case
    {"CaseIgnored", "[SectionName]\r\nTestKey=TestValue\r\n", "sectionname", "TESTKEY", "d", 64, 9, "TestValue\0"s},
    {"CallerSpacesTrimmed", "[SectionName]\r\nK=v\r\n", "  SectionName  ", " K ", "d", 64, 1, "v\0"s},
    {"CallerTabInSectionKept", "[SectionName]\r\nK=v\r\n", "\tSectionName", "K", "d", 64, 1, "d\0"s},
    {"CallerTabInKeyKept", "[S]\r\nTestKey=v\r\n", "S", "TestKey\t", "d", 64, 1, "d\0"s},
    {"FileKeyBlanksTrimmed", "[S]\r\n\tTestKey\v=v\r\n", "S", "TestKey", "d", 64, 1, "v\0"s},
    {"FileHeaderBlanksTrimmed", " \t[\tx \v]\r\nk=1\r\n", "x", "k", "d", 64, 1, "1\0"s},
    {"AccentedCaseIgnored", "[\xC9t\xE9]\r\nK=v\r\n", "\xE9T\xC9", "k", "d", 64, 1, "v\0"s},
    // values
    {"ValueBlanksTrimmed", "[S]\r\nK=\tTestValue\t\v\r\n", "S", "K", "d", 64, 9, "TestValue\0"s},
    {"QuotesStrippedInnerSpacesKept", "[S]\r\nK=  \"   v   \"  \r\n", "S", "K", "d", 64, 7, "   v   \0"s},
    {"SingleQuotesStripped", "[S]\r\nK='v'\r\n", "S", "K", "d", 64, 1, "v\0"s},
    {"OnlyOuterQuotes", "[S]\r\nK=\"'v'\"\r\n", "S", "K", "d", 64, 3, "'v'\0"s},
    {"MismatchedQuotesStay", "[S]\r\nK=\"v'\r\n", "S", "K", "d", 64, 3, "\"v'\0"s},
    {"LoneQuoteStays", "[S]\r\nK=\"\r\n", "S", "K", "d", 64, 1, "\"\0"s},
    {"EmptyQuotes", "[S]\r\nK=\"\"\r\n", "S", "K", "d", 64, 0, "\0"s},
    {"QuotedSectionNameNotStripped", "[\"S\"]\r\nK=v\r\n", "S", "K", "d", 64, 1, "d\0"s},
    {"SplitAtFirstEquals", "[S]\r\nK=a=b\r\n", "S", "K", "d", 64, 3, "a=b\0"s},
    {"EmptyKeyMatchesBareEquals", "[S]\r\n=val\r\n", "S", "", "d", 64, 3, "val\0"s},
    {"SemicolonInsideValue", "[S]\r\nK=a;b\r\n", "S", "K", "d", 64, 3, "a;b\0"s},
    // truncation
    {"FitsWithNul", kFile4, "section1", "name1", "d", 5, 4, "val1\0"s},
    {"CutByOne", kFile4, "section1", "name1", "d", 4, 3, "val\0"s},
    {"CutByOneCrOnly", kFile4Cr, "section1", "name1", "d", 4, 3, "val\0"s},
    {"SizeOne", kFile4, "section1", "name4", "d", 1, 0, "\0"s},
    {"SizeZeroUntouched", kFile4, "section1", "name1", "d", 0, 0, ""},
    {"QuotedValueOfFile4", kFile4Cr, "section1", "name2", "d", 64, 4, "val2\0"s},
    {"DefaultCut", kFile4, "section1", "none", "default", 4, 3, "def\0"s},
    // missing things and defaults
    {"MissingFile", kNoFile, "S", "K", "default", 64, 7, "default\0"s},
    {"MissingSection", kFile4, "notasection", "name1", "default", 64, 7, "default\0"s},
    {"DefaultTrailingSpacesOnly", kFile4, "section1", "none", "   default   ", 64, 10, "   default\0"s},
    {"DefaultTabsKept", kFile4, "section1", "none", "\tdefault\t", 64, 9, "\tdefault\t\0"s},
    {"DefaultNotUnquoted", kFile4, "section1", "none", "\"d\"", 64, 3, "\"d\"\0"s},
    {"NullDefault", kFile4, "section1", "none", nullptr, 64, 0, "\0"s},
    {"EmptySectionEmptyDefault", kFile4, "section2", "none", "", 64, 0, "\0"s},
    {"EmptySectionNameSkipsPreamble", "k=pre\r\n[S]\r\nk=s\r\n", "", "k", "d", 64, 1, "d\0"s},
    {"EmptySectionNameMatchesBrackets", "k=pre\r\n[]\r\nk=empty\r\n", "", "k", "d", 64, 5, "empty\0"s},
    // comments, lines without '=', headers, line ends, duplicates
    {"CommentNeverMatches", "[S]\r\n ;K=c\r\nK=v\r\n", "S", "K", "d", 64, 1, "v\0"s},
    {"CommentedHeaderIgnored", ";[S]\r\nK=v\r\n", "S", "K", "d", 64, 1, "d\0"s},
    {"HashIsNoComment", "[S]\r\n#K=h\r\n", "S", "#K", "d", 64, 1, "h\0"s},
    {"LineWithoutEqualsIsNoKey", "[S]\r\nK\r\n", "S", "K", "d", 64, 1, "d\0"s},
    {"HeaderEndsAtFirstBracket", "[sec]whoops]\r\nk=1\r\n", "sec", "k", "d", 64, 1, "1\0"s},
    {"HeaderWithoutBracket", "[sec   \r\nk=2\r\n", "sec", "k", "d", 64, 1, "2\0"s},
    {"TrailingBracketIsNoHeader", "sec]\r\nk=3\r\n", "sec", "k", "d", 64, 1, "d\0"s},
    {"CrOnly", "[S]\rA=1\rK=cr\r", "S", "K", "d", 64, 2, "cr\0"s},
    {"LfOnly", "[S]\nA=1\nK=lf\n", "S", "K", "d", 64, 2, "lf\0"s},
    {"MixedEnds", "[S]\r\nA=1\rB=2\nC=3", "S", "C", "d", 64, 1, "3\0"s},
    {"FirstKeyWins", "[S]\r\nK=1\r\nk=2\r\n", "S", "K", "d", 64, 1, "1\0"s},
    {"FirstSectionWins", "[S]\r\nK=1\r\n[s]\r\nK=3\r\nJ=4\r\n", "S", "J", "d", 64, 1, "d\0"s},
    {"Utf8BomSticksToFirstLine", "\xEF\xBB\xBF[S]\r\nK=v\r\n", "S", "K", "d", 64, 1, "d\0"s},
    {"NulBytesBeforeFirstSection", "a\0b\r\n[S]\r\nK=v\r\n"s, "S", "K", "d", 64, 1, "v\0"s},
    // A damaged file: the value ends at a NUL, so whatever is read can be written again.
    {"NulEndsValue", "[S]\r\nK= ab\0cd \r\n"s, "S", "K", "d", 64, 2, "ab\0"s},
    // lists
    {"SectionList", kFile4, nullptr, "name1", "default", 64, 18, "section1\0section2\0\0"s},
    {"SectionListCut", kFile4, nullptr, "name1", "default", 16, 14, "section1\0secti\0\0"s},
    {"KeyList", kFile4, "section1", nullptr, "default", 64, 18, "name1\0name2\0name4\0\0"s},
    {"KeyListCut", kFile4, "section1", nullptr, "default", 16, 14, "name1\0name2\0na\0\0"s},
    {"SectionListRoomForAll", "[ section1 ]\r\n[section2]\r\n[section3]\r\n", nullptr, nullptr, "d", 29, 27,
     "section1\0section2\0section3\0\0"s},
    {"SectionListOneShort", "[ section1 ]\r\n[section2]\r\n[section3]\r\n", nullptr, nullptr, "d", 28, 26,
     "section1\0section2\0section3\0\0"s},
    {"SectionListMissingFile", kNoFile, nullptr, nullptr, "d", 10, 0, "\0"s},
    {"KeyListDuplicatesNoComments", "[S]\r\nA=1\r\n;C=3\r\nB\r\na=2\r\n", "S", nullptr, "d", 64, 4, "A\0a\0\0"s},
};

INSTANTIATE_TEST_SUITE_P(Ini, ReadVectors, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------- writing ----

struct WriteOp {
    const char* section;
    const char* key;
    const char* value;
    bool ok = true;
};

struct WriteCase {
    const char* name;
    std::string before;  // kNoFile: no file
    std::vector<WriteOp> ops;
    std::string after;  // kNoFile: still no file
};

class WriteVectors : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteVectors, LeavesTheProfileText) {
    const WriteCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File();
    if (c.before != kNoFile) Put(path, c.before);
    for (std::size_t i = 0; i < c.ops.size(); ++i) {
        const WriteOp& op = c.ops[i];
        EXPECT_EQ(op.ok, ini::WriteProfileString(path, op.section, op.key, op.value)) << "operation " << i;
    }
    const auto text = Get(path);
    if (c.after == kNoFile) {
        EXPECT_FALSE(text.has_value()) << *text;
    } else {
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(c.after, *text);
    }
    EXPECT_EQ(text ? 1u : 0u, FilesIn(dir.Path())) << "a temporary file was left behind";
}

const std::string kApps =
    "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n";

const WriteCase kWriteCases[] = {
    {"NewFile", kNoFile, {{"App", "key", "string"}}, "[App]\r\nkey=string\r\n"},
    {"EmptyValue", kNoFile, {{"App", "key", ""}}, "[App]\r\nkey=\r\n"},
    {"NewSectionsAtEnd",
     kNoFile,
     {{"App1", "key1", "string1"},
      {"App1", "key2", "string2"},
      {"App1", "key3", "string3"},
      {"App2", "key4", "string4"},
      {"App3", "key5", "string5"}},
     kApps},
    {"NamesTrimmedValueAsGiven", kNoFile, {{"   sec   ", "  key  ", " value "}}, "[sec]\r\nkey= value \r\n"},
    {"ValueNeverQuoted", "[S]\r\n", {{"S", "K", "  \"q\"  "}}, "[S]\r\nK=  \"q\"  \r\n"},
    {"KeepsFileSpellingAndGainsCrlf",
     "[SectionName]\r\nTestKey=TestValue",
     {{"SECTIONNAME", "TESTKEY", "TestValue2"}},
     "[SectionName]\r\nTestKey=TestValue2\r\n"},
    {"RewrittenLineCanonical", "[S]\n  K \t= old\nL=1\n", {{"S", "k", "new"}}, "[S]\nK=new\r\nL=1\n"},
    {"CrlfBeforeNewSection", "[A]\r\nk=1", {{"B", "k", "2"}}, "[A]\r\nk=1\r\n[B]\r\nk=2\r\n"},
    {"NewKeysAfterLastKeyInWriteOrder",
     "[S]\r\nb=value\r\na=value\r\n",
     {{"S", "z", ""}, {"S", "b", ""}, {"S", "y", ""}, {"S", "a", ""}},
     "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n"},
    {"NewKeyBeforeTrailingComments",
     "[S]\r\na=1\r\n;tail\r\n\r\n[T]\r\n",
     {{"S", "b", "2"}, {"T", "c", "3"}},
     "[S]\r\na=1\r\nb=2\r\n;tail\r\n\r\n[T]\r\nc=3\r\n"},
    {"NewKeyUnderBareHeader", "[S]", {{"S", "k", "v"}}, "[S]\r\nk=v\r\n"},
    {"FirstDuplicateSectionWritten",
     "[S]\r\nK=1\r\n[s]\r\nJ=2\r\n",
     {{"S", "J", "3"}},
     "[S]\r\nK=1\r\nJ=3\r\n[s]\r\nJ=2\r\n"},
    {"SameValueLeavesFile", "[S]\r\nK=v\r\n;c\n", {{"S", "K", "v"}}, "[S]\r\nK=v\r\n;c\n"},
    {"Deletions",
     kApps,
     {{"App1", "key2", nullptr},
      {"App1", "key2", nullptr},
      {"App1", nullptr, "string1"},
      {"App2", nullptr, nullptr},
      {"App3", "key5", nullptr}},
     "[App3]\r\n"},
    {"DeleteInMissingFile", kNoFile, {{"S", "K", nullptr}, {"S", nullptr, nullptr}}, kNoFile},
    {"CommentsOfDeletedSectionsSurvive",
     ";comment0\r\n[S]\r\n;comment1\r\n[S2]\r\n;comment2\r\n",
     {{"S", nullptr, nullptr}, {"S2", nullptr, nullptr}},
     ";comment0\r\n;comment1\r\n;comment2\r\n"},
    {"DeletingFirstDuplicateUncoversSecond",
     "[S]\r\nK=1\r\n[s]\r\nK=2\r\n",
     {{"S", nullptr, nullptr}, {"S", "J", "3"}},
     "[s]\r\nK=2\r\nJ=3\r\n"},
    {"NullSectionCreatesNothing", kNoFile, {{nullptr, "key", "string", false}}, kNoFile},
    {"NullSectionChangesNothing", "[S]\r\nK=v\r\n", {{nullptr, "K", "x", false}}, "[S]\r\nK=v\r\n"},
    {"AllNullIsAFlush", "[S]\r\n", {{nullptr, nullptr, nullptr}}, "[S]\r\n"},
    // Writes that could not be read back as written are refused whole.
    {"LineBreakInValueRefused", "[S]\r\nK=v\r\n", {{"S", "K", "a\r\n[T]\r\nX=1", false}}, "[S]\r\nK=v\r\n"},
    {"EqualsInKeyRefused", "[S]\r\n", {{"S", "a=b", "v", false}}, "[S]\r\n"},
    {"OddKeysRefused",
     "[S]\r\n",
     {{"S", ";k", "v", false}, {"S", "[k", "v", false}, {"S", "\tk", "v", false}},
     "[S]\r\n"},
    {"BracketInSectionRefused", kNoFile, {{"a]b", "k", "v", false}}, kNoFile},
};

INSTANTIATE_TEST_SUITE_P(Ini, WriteVectors, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniWrite, UntouchedLinesKeepEveryByte) {
    TempDir dir;
    const std::string path = dir.File();
    const std::string head = "; made by hand\n\x01\x7f junk\0 before\r[Keep]  \r\n  a = 1 \n\tb\t=\t\"2\"\r\n"s;
    const std::string tail = ";c\rz\n\n[Last]\n  x=1\t\r";
    Put(path, head + "[Other]\r\nk=old\r\n" + tail);
    ASSERT_TRUE(ini::Write(path, "Other", "k", "new"));
    ASSERT_TRUE(ini::Write(path, "Keep", "c", "3"));
    EXPECT_EQ(
        "; made by hand\n\x01\x7f junk\0 before\r[Keep]  \r\n  a = 1 \n\tb\t=\t\"2\"\r\nc=3\r\n"s
        "[Other]\r\nk=new\r\n" + tail,
        *Get(path));
    EXPECT_EQ("2", ini::Read(path, "keep", "B"));
}

TEST(IniWrite, ProfileInt) {
    TempDir dir;
    const std::string path = dir.File();
    const struct {
        const char* value;
        int def;
        std::uint32_t expect;
    } cases[] = {
        {"1", -1, 1u},           {"+1", -1, 1u},          {"-1", 1, 4294967295u},
        {"4294967296", -1, 0u},  {"4294967297", -1, 1u},  {"-4294967297", 1, 4294967295u},
        {"42A94967297", -1, 42u}, {"B4294967297", -1, 0u}, {"\"7\"", -1, 7u},
        {"", 5, 5u},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ini::Write(path, "Test", "ProfileInt", c.value));
        EXPECT_EQ(c.expect, ini::GetProfileInt(path, "Test", "ProfileInt", c.def)) << c.value;
    }
    EXPECT_EQ(70u, ini::GetProfileInt(path, "Test", "Missing", 70));
    EXPECT_EQ(4294967295u, ini::GetProfileInt(path, nullptr, "ProfileInt", -1));
    EXPECT_EQ(3u, ini::GetProfileInt(dir.File("none.ini"), "Test", "ProfileInt", 3));
}

TEST(IniWrite, BadPlacesFailWithoutTrace) {
    TempDir dir;
    EXPECT_FALSE(ini::Write("", "S", "K", "v"));
    EXPECT_FALSE(ini::WriteProfileString("", "S", "K", "v"));
    EXPECT_EQ("d", ini::Read("", "S", "K", "d"));

    const std::string missingDir = (dir.Path() / "no" / "such" / "x.ini").string();
    EXPECT_FALSE(ini::Write(missingDir, "S", "K", "v"));
    EXPECT_FALSE(fs::exists(dir.Path() / "no"));

    const std::string tooLong = (dir.Path() / std::string(260, 'x')).string();
    EXPECT_FALSE(ini::Write(tooLong, "S", "K", "v"));
    EXPECT_EQ(0u, FilesIn(dir.Path()));

    // A folder in the file's place is not a file to replace.
    fs::create_directory(dir.Path() / "folder.ini");
    EXPECT_FALSE(ini::Write(dir.File("folder.ini"), "S", "K", "v"));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "folder.ini"));
}

TEST(IniWrite, LongValues) {
    TempDir dir;
    const std::string path = dir.File();
    std::string v65535(65535, 'x');
    v65535.back() = 'y';
    ASSERT_TRUE(ini::Write(path, "S", "Long", v65535));
    EXPECT_EQ(v65535, ini::Read(path, "S", "Long"));
    std::vector<char> buf(65536);
    EXPECT_EQ(65535u, ini::GetProfileString(path, "S", "Long", "", buf.data(), 65536));
    EXPECT_EQ('y', buf[65534]);

    std::string body(12000, 'b');
    ASSERT_TRUE(ini::Write(path, "S", "Body", body));
    EXPECT_EQ(body, ini::Read(path, "S", "Body", "", ini::kWhole));
    EXPECT_EQ(std::string(100, 'b'), ini::Read(path, "S", "Body", "", 100));

    const std::string mib(1 << 20, 'm');
    ASSERT_TRUE(ini::Write(path, "Big", "V", mib));
    ini::ClearCache();
    EXPECT_EQ(mib, ini::Read(path, "Big", "V"));
    EXPECT_EQ(v65535, ini::Read(path, "S", "Long"));
}

TEST(IniWrite, NamesAndSections) {
    TempDir dir;
    const std::string path = dir.File();
    Put(path, "[A]\r\nx=1\r\n[ B ]\r\n[a]\r\ny=2\r\n");
    EXPECT_EQ((std::vector<std::string>{"A", "B", "a"}), ini::SectionNames(path));
    EXPECT_EQ((std::vector<std::string>{"x"}), ini::KeyNames(path, "a"));
    EXPECT_TRUE(ini::HasSection(path, " b "));
    EXPECT_FALSE(ini::HasSection(path, "C"));
    ASSERT_TRUE(ini::DeleteSection(path, "A"));
    EXPECT_EQ((std::vector<std::string>{"y"}), ini::KeyNames(path, "A"));
    ASSERT_TRUE(ini::DeleteKey(path, "b", "missing"));
    EXPECT_TRUE(ini::HasSection(path, "B"));
}

// ------------------------------------------------------------- batches ----

// Deterministic pseudo-random edits over a file with every kind of line end,
// including CR-only ends that merge with a following empty LF line once the
// line between them is deleted.
TEST(IniBatch, SameTextAsEditsOneByOne) {
    const std::string base =
        ";top\r[S0]\rk0=a\r\n\nk1=b\r\n;c\n[S1]\nk0=1\nk2=2\r[s0]\r\nk3=dup\r\n[S2]\r\r\nk0=x\r\n\nk1=y";
    const char* sections[] = {"S0", "s1", "S2", "S3", "S4"};
    const char* keys[] = {"k0", "K1", "k2", "k3", "k4"};
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TempDir dir;
        const std::string one = dir.File("one.ini"), all = dir.File("all.ini");
        Put(one, base);
        Put(all, base);
        ini::Batch batch(all);
        unsigned r = seed;
        for (int i = 0; i < 30; ++i) {
            r = r * 1103515245u + 12345u;
            const char* s = sections[(r >> 8) % 5];
            const char* k = keys[(r >> 12) % 5];
            const std::string v = "v" + std::to_string(i);
            switch ((r >> 16) % 8) {
                case 0: ASSERT_TRUE(ini::DeleteSection(one, s)); batch.DeleteSection(s); break;
                case 1:
                case 2: ASSERT_TRUE(ini::DeleteKey(one, s, k)); batch.DeleteKey(s, k); break;
                default: ASSERT_TRUE(ini::Write(one, s, k, v)); batch.Write(s, k, v); break;
            }
            ini::ClearCache();  // each single edit starts from a fresh read of the file
        }
        ASSERT_TRUE(batch.Commit());
        EXPECT_EQ(*Get(one), *Get(all)) << "seed " << seed;
    }
}

TEST(IniBatch, FailedReplacementLeavesOldFile) {
    TempDir dir;
    const std::string path = dir.File();
    const std::string before = "[S]\nK=old\n;note\n";
    Put(path, before);
    EXPECT_EQ("old", ini::Read(path, "S", "K"));

    ini::FailNextWritesForTesting(1);
    EXPECT_FALSE(ini::Write(path, "S", "K", "new"));
    EXPECT_EQ(before, *Get(path));
    EXPECT_EQ(1u, FilesIn(dir.Path()));
    EXPECT_EQ("old", ini::Read(path, "S", "K")) << "the cache kept the failed edit";

    ini::FailNextWritesForTesting(-1);
    ini::Batch batch(path);
    batch.Write("S", "K", "new");
    batch.DeleteSection("S");
    EXPECT_FALSE(batch.Commit());
    EXPECT_FALSE(ini::Write(dir.File("fresh.ini"), "S", "K", "v"));
    EXPECT_EQ(before, *Get(path));
    EXPECT_EQ(1u, FilesIn(dir.Path()));

    ini::FailNextWritesForTesting(0);
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(";note\n", *Get(path));
    EXPECT_TRUE(batch.Commit()) << "a committed batch is empty";
    EXPECT_EQ(";note\n", *Get(path));
}

// A read-only file refuses every write, also one that changes nothing when
// it is written through; the plain write of an unchanged value is skipped.
TEST(IniWrite, ReadOnlyFileIsNeverReplaced) {
    TempDir dir;
    const std::string path = dir.File();
    const std::string before = "[PINWELL]\r\nVersion=3.lan\r\n";
    Put(path, before);
    EXPECT_TRUE(ini::WriteThrough(path, "PINWELL", "Version", "3.lan"));
    const auto written = fs::last_write_time(path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(ini::Write(path, "PINWELL", "Version", "3.lan"));
    EXPECT_FALSE(ini::WriteThrough(path, "PINWELL", "Version", "3.lan"));
    EXPECT_FALSE(ini::Write(path, "PINWELL", "NumberOfNotes", "1"));
    EXPECT_FALSE(ini::DeleteSection(path, "PINWELL"));
    EXPECT_EQ(before, *Get(path));
    EXPECT_EQ(written, fs::last_write_time(path));
    EXPECT_EQ(1u, FilesIn(dir.Path()));
    EXPECT_EQ("", ini::Read(path, "PINWELL", "NumberOfNotes")) << "the cache kept the failed edit";

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(ini::WriteThrough(path, "PINWELL", "Version", "3.lan"));
    EXPECT_TRUE(ini::Write(path, "PINWELL", "NumberOfNotes", "1"));
}

// Temporary files of a writer killed before its rename do not pile up: the
// first write in a folder removes those whose process is gone.
TEST(IniWrite, AbandonedTemporaryFilesAreRemoved) {
    TempDir dir;
    char own[64];
    std::snprintf(own, sizeof own, "~pw%x-63.tmp", static_cast<unsigned>(getpid()));
    for (const std::string& name : {std::string("~pw7ffffff0-1.tmp"), std::string("~pw7ffffff0-1.tmp.keep"), std::string(own)})
        Put(dir.File(name), "[S]\r\nK=half");
    ASSERT_TRUE(ini::Write(dir.File(), "S", "K", "v"));
    EXPECT_FALSE(fs::exists(dir.File("~pw7ffffff0-1.tmp")));
    EXPECT_TRUE(fs::exists(dir.File("~pw7ffffff0-1.tmp.keep")));
    EXPECT_TRUE(fs::exists(dir.File(own))) << "a living writer's file was taken";
}

// --------------------------------------------------------------- cache ----

TEST(IniCache, SeesOtherWritersAtOnce) {
    TempDir dir;
    const std::string path = dir.File();
    Put(path, "[S]\r\nK=1\r\n");
    EXPECT_EQ("1", ini::Read(path, "S", "K"));

    // Same size; the clock may not have moved, so move it explicitly.
    const auto stamp = fs::last_write_time(path);
    Put(path, "[S]\r\nK=2\r\n");
    fs::last_write_time(path, stamp + std::chrono::seconds(5));
    EXPECT_EQ("2", ini::Read(path, "S", "K"));

    ASSERT_TRUE(ini::Write(path, "S", "J", "3"));
    EXPECT_EQ("[S]\r\nK=2\r\nJ=3\r\n", *Get(path));

    fs::remove(path);
    EXPECT_EQ("gone", ini::Read(path, "S", "K", "gone"));
    EXPECT_FALSE(ini::HasSection(path, "S"));

    Put(path, "[T]\r\nK=4\r\n");
    EXPECT_EQ("4", ini::Read(path, "T", "K"));
}

TEST(IniCache, ConcurrentWritersLoseNothing) {
    TempDir dir;
    const std::string path = dir.File();
    constexpr int kThreads = 6, kWrites = 30;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kWrites; ++i) {
                const std::string v = std::to_string(t * 1000 + i);
                if (!ini::Write(path, "Shared", "t" + std::to_string(t) + "_" + std::to_string(i), v)) ++failures;
                if (!ini::Write(path, "Own" + std::to_string(t), "last", v)) ++failures;
                if (ini::Read(path, "Own" + std::to_string(t), "last") != v) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(0, failures.load());
    ini::ClearCache();
    EXPECT_EQ(static_cast<std::size_t>(kThreads * kWrites), ini::KeyNames(path, "Shared").size());
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(std::to_string(t * 1000 + i),
                      ini::Read(path, "Shared", "t" + std::to_string(t) + "_" + std::to_string(i)));
        EXPECT_EQ(std::to_string(t * 1000 + kWrites - 1), ini::Read(path, "Own" + std::to_string(t), "last"));
    }
    EXPECT_EQ(1u, FilesIn(dir.Path()));
}

}  // namespace
