// Preset files: the exact bytes written, the checks on reading, and that a bad
// file never reaches the device image.
#include "core/preset/preset_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "core/preset/text_ops.h"

namespace kdsp {
namespace {
namespace fs = std::filesystem;

// A stored file assembled from plain lines, scrambled the way the format says.
std::string FileOf(const std::vector<std::string>& plainLines) {
    std::string out;
    for (const auto& l : plainLines)
        out += ScrambleLine(l) + "\r\n";
    return out;
}

std::vector<std::string> StoredLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t hit; (hit = bytes.find("\r\n", start)) != std::string::npos; start = hit + 2) {
        lines.push_back(bytes.substr(start, hit - start));
    }
    EXPECT_EQ(start, bytes.size()) << "the last line ends in CR LF too";
    return lines;
}

std::string Plain(const std::string& stored) {
    auto p = UnscrambleLine(stored);
    EXPECT_TRUE(p.has_value());
    return p.value_or("");
}

// Plain lines of a file holding `records`, with a trailer that agrees with them.
std::vector<std::string> ConsistentFile(const std::vector<PresetRecord>& records,
                                        const std::string& brandLine = "Belko 74") {
    std::vector<std::string> lines{"R9 241", brandLine};
    long long sum = 0;
    for (const auto& r : records) {
        const int l = static_cast<int>(lines.size());
        lines.push_back(std::to_string((r.page * 256 + r.slot) ^ l) + " " +
                        std::to_string(r.value ^ l));
        sum += r.value;
    }
    lines.push_back("Intoal: " + std::to_string(lines.size()));
    lines.push_back("CCCCK: " + std::to_string((256 - sum % 256) % 256));
    return lines;
}

DeviceImageRows RandomImage(unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> word(0, 65535);
    DeviceImageRows image{};
    for (auto& page : image)
        for (auto& v : page)
            v = word(rng);
    return image;
}

class TempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("kdsp_preset_") + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Put(const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::string Get(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    fs::path dir_;
};

TEST(ScrambleLine, HandComputedLines) {
    // 'R'^5E=0C '9'^C1=F8 ' '^37=17 '2'^A8=9A '4'^0D=39 '1'^92=A3
    EXPECT_EQ(ScrambleLine("R9 241"), "0CF8179A39A3");
    EXPECT_EQ(ScrambleLine("Belko 74"), "1CA45BC362B25CC0");
    EXPECT_EQ(ScrambleLine("Intoal: 823"), "17AF43C76CFE51D466F304") << "the key wraps after 8";
    EXPECT_EQ(ScrambleLine(""), "");
}

TEST(ScrambleLine, UnscrambleIsTheInverseInEitherCase) {
    EXPECT_EQ(UnscrambleLine("0CF8179A39A3"), "R9 241");
    EXPECT_EQ(UnscrambleLine("0cf8179a39a3"), "R9 241") << "lower-case hex is read too";
    EXPECT_EQ(UnscrambleLine("0CF8179A39A3F"), "R9 241") << "an odd last digit is ignored";
    EXPECT_FALSE(UnscrambleLine("0CF8G9").has_value());
    EXPECT_FALSE(UnscrambleLine("0C F8").has_value());
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(UnscrambleLine(ScrambleLine(all)), all);
}

TEST(PresetChecksum, TwosComplementOfTheLowByte) {
    EXPECT_EQ(PresetChecksum(0), 0);
    EXPECT_EQ(PresetChecksum(1), 255);
    EXPECT_EQ(PresetChecksum(256), 0);
    EXPECT_EQ(PresetChecksum(255), 1);
    EXPECT_EQ(PresetChecksum(821LL * 65535), (256 - (821LL * 65535) % 256) % 256);
}

TEST(PresetWrite, GoldenBytesOfASmallImage) {
    DeviceImageRows image{};
    image[0][0] = 5;
    image[10][35] = 300;
    const auto lines = StoredLines(FormatPresetFile(image));
    ASSERT_EQ(lines.size(), 825u);
    EXPECT_EQ(lines[0], "0CF8179A39A3");      // "R9 241"
    EXPECT_EQ(lines[1], "1CA45BC362B25CC0");  // "Belko 74"
    EXPECT_EQ(lines[2], "6CE100");            // "2 7": key 0 ^ 2, value 5 ^ 2
    EXPECT_EQ(Plain(lines[3]), "2 3") << "page 0 slot 1 on line 3";
    EXPECT_EQ(lines[823], "17AF43C76CFE51D466F304");  // "Intoal: 823"
    // Sum 305 -> low byte 0x31 -> checksum 0xCF = 207.
    EXPECT_EQ(Plain(lines[824]), "CCCCK: 207");
    EXPECT_EQ(Plain(lines[822]),
              std::to_string((10 * 256 + 35) ^ 822) + " " + std::to_string(300 ^ 822))
        << "the last record is page 10 slot 35";

    // The whole file against an encoder written here from the format description.
    std::string expected;
    const auto put = [&expected](const std::string& plain) {
        static const unsigned char key[8] = {0x5E, 0xC1, 0x37, 0xA8, 0x0D, 0x92, 0x6B, 0xF4};
        char hex[3];
        for (std::size_t k = 0; k < plain.size(); ++k) {
            std::snprintf(hex, sizeof hex, "%02X",
                          static_cast<unsigned char>(plain[k]) ^ key[k % 8]);
            expected += hex;
        }
        expected += "\r\n";
    };
    put("R9 241");
    put("Belko 74");
    const int highest[11] = {116, 83, 37, 83, 41, 41, 116, 71, 71, 116, 35};
    int l = 2;
    for (int p = 0; p < 11; ++p)
        for (int s = 0; s <= highest[p]; ++s, ++l)
            put(std::to_string((p * 256 + s) ^ l) + " " + std::to_string(image[p][s] ^ l));
    put("Intoal: 823");
    put("CCCCK: 207");
    EXPECT_EQ(FormatPresetFile(image), expected);
}

TEST(PresetWrite, FullImageShape) {
    const auto bytes = FormatPresetFile(RandomImage(7));
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == '\r' || c == '\n';
    })) << "stored lines are upper-case hex only";
    const auto lines = StoredLines(bytes);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(PresetLineCount));
    EXPECT_EQ(Plain(lines[823]), "Intoal: 823");
    // Slots beyond each page's highest preset slot are not written.
    for (std::size_t i = 2; i < 823; ++i) {
        const auto parts = SplitText(Plain(lines[i]), " ");
        ASSERT_EQ(parts.size(), 2u);
        const int key = std::stoi(parts[0]) ^ static_cast<int>(i);
        EXPECT_LE(key % 256, PresetSlotCounts[key / 256]);
    }
}

TEST(PresetWrite, SameTextScramblesTheSameOnEveryLine) {
    // Two files whose records differ in position but contain one identical plain
    // line: the stored form of that line does not depend on where it stands.
    const auto a = StoredLines(FileOf({"R9 241", "Belko 74", "Intoal: 2", "CCCCK: 0"}));
    const auto b = StoredLines(FileOf({"R9 241", "CCCCK: 0"}));
    EXPECT_EQ(a[3], b[1]);
    EXPECT_EQ(a[3], "1D8274EB46A84BC4");
}

TEST_F(TempFolder, WriteMirrorsTheSystemWordsAndKeepsTheCopy) {
    Model m;
    for (int k = 0; k < 6; ++k)
        m.DeviceImage[10][6 + k] = 100 + k;
    m.DeviceImage[0][110] = 9999;
    const auto path = dir_ / "Mirror.Nddt";
    WritePresetFile(path, m);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(m.DeviceImage[0][110 + k], 100 + k);
    EXPECT_EQ(Get(path), FormatPresetFile(m.DeviceImage));
}

TEST_F(TempFolder, RoundTripRestoresEverySlotPlusTheSystemCopies) {
    Model written;
    written.DeviceImage = RandomImage(42);
    const auto path = dir_ / "Round.Nddt";
    WritePresetFile(path, written);

    const auto result = ReadPresetFile(path);
    ASSERT_TRUE(result.Ok()) << result.detail;
    EXPECT_EQ(result.records.size(), static_cast<std::size_t>(PresetRecordCount));

    Model loaded;
    loaded.DeviceImage = RandomImage(99);  // slots the file does not hold keep these
    const auto before = loaded.DeviceImage;
    ApplyPreset(result, loaded);
    for (int p = 0; p < PageCount; ++p) {
        for (int s = 0; s < DeviceImageSlots; ++s) {
            int want = s <= PresetSlotCounts[p] ? written.DeviceImage[p][s] : before[p][s];
            if (p == 10 && s == 32)
                want = written.DeviceImage[10][6];
            if (p == 10 && s == 33)
                want = written.DeviceImage[10][8];
            if (p == 10 && s == 34)
                want = written.DeviceImage[10][10];
            ASSERT_EQ(loaded.DeviceImage[p][s], want) << "page " << p << " slot " << s;
        }
    }
}

TEST_F(TempFolder, SaveReplacesAnOlderFileAndLeavesNoTemporaryBehind) {
    const auto path = dir_ / "Old.Nddt";
    Put(path, "old contents");
    Model m;
    m.DeviceImage[3][3] = 33;
    WritePresetFile(path, m);
    EXPECT_EQ(Get(path), FormatPresetFile(m.DeviceImage));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(TempFolder, FailedSaveIsReportedAndDestroysNothing) {
    Model m;
    EXPECT_THROW(WritePresetFile(dir_ / "missing" / "A.Nddt", m), PresetWriteError);

    // The target cannot be replaced (a folder of that name holding a file).
    const auto blocked = dir_ / "Blocked.Nddt";
    fs::create_directories(blocked);
    Put(blocked / "keep", "precious");
    try {
        WritePresetFile(blocked, m);
        ADD_FAILURE() << "saving over a folder must fail";
    } catch (const PresetWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("Blocked.Nddt"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Get(blocked / "keep"), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
        << "the temporary file is removed after a failed save";
}

TEST(PresetRead, FewerRecordsInAnyOrderAreAccepted) {
    const std::vector<PresetRecord> records{{6, 20, 500}, {0, 3, 7}, {10, 140, 65535}};
    const auto result = ParsePreset(FileOf(ConsistentFile(records)));
    ASSERT_TRUE(result.Ok()) << result.detail;
    Model m;
    m.DeviceImage[1][1] = 11;
    ApplyPreset(result, m);
    EXPECT_EQ(m.DeviceImage[6][20], 500);
    EXPECT_EQ(m.DeviceImage[0][3], 7);
    EXPECT_EQ(m.DeviceImage[10][140], 65535) << "any slot inside the image may be named";
    EXPECT_EQ(m.DeviceImage[1][1], 11) << "slots the file does not name keep their values";

    // A file of no records at all is consistent too.
    EXPECT_TRUE(ParsePreset(FileOf(ConsistentFile({}))).Ok());
}

TEST(PresetRead, OnlyTheDeviceTypeOfTheHeaderIsChecked) {
    for (const char* brand : {"Belko 0", "Belko -12345", "X 74", "Belko 74 extra"}) {
        EXPECT_TRUE(ParsePreset(FileOf(ConsistentFile({{0, 0, 1}}, brand))).Ok()) << brand;
    }
    auto lines = ConsistentFile({{0, 0, 1}});
    lines[0] = "XX 241";  // the word in front is never compared
    EXPECT_TRUE(ParsePreset(FileOf(lines)).Ok());
    lines[0] = "R9 242";
    EXPECT_EQ(ParsePreset(FileOf(lines)).error, PresetError::FormatError);
    lines[0] = "R9 186";  // the unmasked code itself is not the stored form
    EXPECT_EQ(ParsePreset(FileOf(lines)).error, PresetError::FormatError);
}

TEST(PresetRead, MalformedFilesAreRejectedWithTheFittingError) {
    const auto good = ConsistentFile({{0, 0, 1}, {0, 1, 2}});
    ASSERT_TRUE(ParsePreset(FileOf(good)).Ok());
    const auto errorOf = [](const std::string& bytes) {
        return ParsePreset(bytes).error.value_or(static_cast<PresetError>(-1));
    };

    EXPECT_EQ(errorOf(""), PresetError::FormatError) << "empty file";
    EXPECT_EQ(errorOf(FileOf({"R9 241"})), PresetError::FormatError) << "one line";
    EXPECT_EQ(errorOf(FileOf({"R9 241", "Belko 74"})), PresetError::Corrupted) << "no trailer";
    EXPECT_EQ(errorOf(FileOf({"R9", "Belko 74", "Intoal: 2", "CCCCK: 0"})),
              PresetError::FormatError)
        << "header without its number";
    EXPECT_EQ(errorOf(FileOf({"R9 241", "Belko", "Intoal: 2", "CCCCK: 0"})),
              PresetError::FormatError);
    EXPECT_EQ(errorOf("not a preset\r\n"), PresetError::FormatError) << "header not hex";

    auto lines = good;
    lines[2] = "77";  // record without its value
    EXPECT_EQ(errorOf(FileOf(lines)), PresetError::Corrupted);
    lines = good;
    lines[3] = "a b";
    EXPECT_EQ(errorOf(FileOf(lines)), PresetError::Corrupted);
    lines = good;
    lines[4] = "Intoal:";
    EXPECT_EQ(errorOf(FileOf(lines)), PresetError::Corrupted);
    lines = good;
    lines[5] = "CCCCK:  253";  // two spaces: the second field is empty
    EXPECT_EQ(errorOf(FileOf(lines)), PresetError::Corrupted);

    auto stored = FileOf(good);
    const auto line2 = stored.find("\r\n", stored.find("\r\n") + 2) + 2;
    stored.replace(line2, 2, "ZZ");  // bad hex in a record line
    EXPECT_EQ(errorOf(stored), PresetError::Corrupted);

    // Line count: a missing or an extra line.
    lines = good;
    lines.erase(lines.begin() + 2);
    EXPECT_EQ(errorOf(FileOf(lines)), PresetError::Corrupted);
    lines = good;
    lines.insert(lines.begin() + 2, lines[2]);
    EXPECT_EQ(errorOf(FileOf(lines)), PresetError::Corrupted);
    EXPECT_EQ(errorOf(FileOf(good) + "\r\n"), PresetError::Corrupted) << "trailing blank line";

    // Records outside 11 pages x 145 slots.
    for (const PresetRecord r : {PresetRecord{11, 0, 1}, PresetRecord{0, 145, 1},
                                 PresetRecord{10, 255, 1}, PresetRecord{-1, 0, 1}}) {
        EXPECT_EQ(errorOf(FileOf(ConsistentFile({r}))), PresetError::Corrupted)
            << "page " << r.page << " slot " << r.slot;
    }
}

TEST(PresetRead, NumbersAreStrictDecimal) {
    auto lines = ConsistentFile({{0, 0, 1}});
    lines[2] = std::to_string(0 ^ 2) + " 0x1";
    EXPECT_EQ(ParsePreset(FileOf(lines)).error, PresetError::Corrupted);
    lines[2] = std::to_string(0 ^ 2) + " 99999999999";
    EXPECT_EQ(ParsePreset(FileOf(lines)).error, PresetError::Corrupted) << "beyond 32 bits";
    lines[2] = std::to_string(0 ^ 2) + " +3";  // 3 ^ 2 = 1, as the trailer expects
    EXPECT_TRUE(ParsePreset(FileOf(lines)).Ok());
}

TEST(PresetRead, LineEndingsOtherThanCrLfAreRead) {
    std::string lf;
    for (const auto& l : ConsistentFile({{2, 2, 2}}))
        lf += ScrambleLine(l) + "\n";
    EXPECT_TRUE(ParsePreset(lf).Ok());
    lf.pop_back();  // no terminator after the last line
    EXPECT_TRUE(ParsePreset(lf).Ok());
}

TEST(PresetRead, DamagedBytesNeverCrashOrPassUnnoticed) {
    const std::string good = FileOf(ConsistentFile({{0, 0, 5}, {6, 20, 362}, {10, 7, 1}}));
    std::mt19937 rng(3);
    const std::string alphabet = "0123456789ABCDEFabcdef \r\nZ-";
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const std::size_t at = rng() % bytes.size();
            switch (rng() % 3) {
                case 0:
                    bytes[at] = alphabet[rng() % alphabet.size()];
                    break;
                case 1:
                    bytes.erase(at, 1 + rng() % 8);
                    break;
                default:
                    bytes.insert(at, 1, alphabet[rng() % alphabet.size()]);
                    break;
            }
        }
        const auto r = ParsePreset(bytes);
        if (r.Ok()) {
            ++accepted;
            for (const auto& rec : r.records) {
                ASSERT_TRUE(rec.page >= 0 && rec.page < PageCount && rec.slot >= 0 &&
                            rec.slot < DeviceImageSlots);
            }
        } else {
            EXPECT_TRUE(r.records.empty()) << "a refused file hands out no records";
        }
    }
    // Case changes of hex digits and a few lucky edits still pass; most must not.
    EXPECT_LT(accepted, 600);
}

TEST_F(TempFolder, ABadFileLeavesTheImageUnchanged) {
    Model source;
    source.DeviceImage = RandomImage(1);
    const auto path = dir_ / "Edited.Nddt";
    WritePresetFile(path, source);

    // Edit one record but not the checksum line.
    auto lines = StoredLines(Get(path));
    auto parts = SplitText(Plain(lines[10]), " ");
    parts[1] = std::to_string(std::stoi(parts[1]) ^ 1);
    lines[10] = ScrambleLine(parts[0] + " " + parts[1]);
    std::string edited;
    for (const auto& l : lines)
        edited += l + "\r\n";
    Put(path, edited);

    Model target;
    target.DeviceImage = RandomImage(2);
    const auto before = target.DeviceImage;
    const auto result = ReadPresetFile(path);
    EXPECT_EQ(result.error, PresetError::Corrupted);
    ApplyPreset(result, target);
    EXPECT_EQ(target.DeviceImage, before) << "not even the mirror copy runs for a bad file";

    // A count mismatch also leaves everything as it was.
    lines.erase(lines.begin() + 5);
    edited.clear();
    for (const auto& l : lines)
        edited += l + "\r\n";
    Put(path, edited);
    ApplyPreset(ReadPresetFile(path), target);
    EXPECT_EQ(target.DeviceImage, before);
}

TEST_F(TempFolder, MissingFileOrFolderIsFileNotFound) {
    EXPECT_EQ(ReadPresetFile(dir_ / "none.Nddt").error, PresetError::FileNotFound);
    EXPECT_EQ(ReadPresetFile(dir_).error, PresetError::FileNotFound) << "a folder is no file";
}

TEST(PresetMessage, EnglishAndChineseTexts) {
    EXPECT_STREQ(PresetMessage(PresetError::FileNotFound), "File not find!");
    EXPECT_STREQ(PresetMessage(PresetError::FormatError), "File format error!");
    EXPECT_STREQ(PresetMessage(PresetError::Corrupted), "Data file is corrupted!");
    EXPECT_STREQ(PresetMessage(PresetError::FileNotFound, 1), "文件不存在");
    EXPECT_STREQ(PresetMessage(PresetError::FormatError, 1), "文件格式错误!");
    EXPECT_STREQ(PresetMessage(PresetError::Corrupted, 1), "数据文件损坏!");
    // English chosen outright: the missing file is worded properly.
    EXPECT_STREQ(PresetMessage(PresetError::FileNotFound, LanguageEnglish), "File not found!");
    EXPECT_STREQ(PresetMessage(PresetError::Corrupted, LanguageEnglish), "Data file is corrupted!");
}

}  // namespace
}  // namespace kdsp
