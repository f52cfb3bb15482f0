// SAVE CFG / LOAD CFG: golden files (written by hand from the file format, CR LF
// line ends), save-then-load in every base, the loader's matching rules and its
// behaviour on files that are missing, unreadable, random or over-long.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

#include "platform/files.h"
#include "tests/workbench/fixture.h"
#include "workbench/config_file.h"

namespace {

std::string vector_file(const std::string& name) {
    return std::string(KORVATH_VECTOR_DIR) + "/workbench/" + name;
}

std::string read_all(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

class Config : public testsupport::WorkbenchTest {
   protected:
    std::string temp(const std::string& name) {
        return ::testing::TempDir() + "korvath_" + std::to_string(::getpid()) + "_" + name;
    }
    void write(const std::string& path, const std::string& bytes) { ASSERT_EQ(file_write(path, bytes), 0); }
    // Every control the file records, as the window shows it.
    std::vector<std::string> saved_controls() {
        std::vector<std::string> v{win->text(ctl::curve_type), win->text(ctl::number_base)};
        for (ControlId id : {ctl::curve_bits, ctl::m_box, ctl::a_box, ctl::b_box, ctl::c_box})
            v.push_back(win->text(id));
        for (int i = 0; i < ctl::kFieldCount; ++i) v.push_back(text(i));
        return v;
    }
    void fill_gfp_state() {
        win->set_text(ctl::curve_bits, "160");
        win->set_text(ctl::m_box, "163");
        win->set_text(ctl::a_box, "7");
        win->set_text(ctl::b_box, "6");
        win->set_text(ctl::c_box, "3");
        type(ctl::NP, "FFFFFFFFFFFFFFFFFFFFFFFF99DEF836146BC9B1B4D22831");
        type(ctl::A, "-3");
        type(ctl::B, "64210519E59C80E70FA7E9AB72243049FEB8DEECC146B9B1");
        type(ctl::P, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEFFFFFFFFFFFFFFFF");
        type(ctl::K, "1F");
        type(ctl::RY, "-1");
    }
};

TEST_F(Config, GoldenFiles) {
    fill_gfp_state();
    EXPECT_EQ(configuration_text(*wb), read_all(vector_file("config_gfp_base16.txt")));

    start();
    type(ctl::NP, "FF");
    type(ctl::A, "-5");
    type(ctl::B, "10001");
    ASSERT_TRUE(win->choose(ctl::curve_type, 1));
    ASSERT_TRUE(choose_base(64));
    const std::string path = temp("golden64.txt");
    ASSERT_EQ(save_configuration(*wb, path), 0);
    EXPECT_EQ(read_all(path), read_all(vector_file("config_gf2m_base64.txt")));
}

TEST_F(Config, SaveThenLoadInEveryBase) {
    for (int base : {10, 16, 36, 60, 64}) {
        SCOPED_TRACE(base);
        start();
        fill_gfp_state();
        win->set_text(ctl::field_edit(ctl::S), "ABCDEF0123456789");
        type(ctl::Q, "7FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
        ASSERT_TRUE(choose_base(base) || base == 16);
        if (base == 60) {
            ASSERT_TRUE(win->choose(ctl::curve_type, 1));
        }
        const std::vector<std::string> before = saved_controls();
        const std::string path = temp("roundtrip.txt");
        ASSERT_EQ(save_configuration(*wb, path), 0);

        // Disturb everything, in another base and curve type, then load.
        ASSERT_TRUE(win->choose(ctl::curve_type, base == 60 ? 0 : 1));
        ASSERT_TRUE(choose_base(base == 10 ? 36 : 10));
        win->click(ctl::clear_ecc);
        win->click(ctl::clear_key);
        for (ControlId id : {ctl::curve_bits, ctl::m_box, ctl::a_box, ctl::b_box, ctl::c_box})
            win->set_text(id, "999");
        ASSERT_EQ(load_configuration(*wb, path), 0);

        std::vector<std::string> after = saved_controls();
        std::vector<std::string> expected = before;
        for (size_t i = 7; i < expected.size(); ++i)
            if (expected[i].empty()) expected[i] = "0";  // an empty field comes back as 0
        EXPECT_EQ(after, expected);
        EXPECT_EQ(wb->display_base(), base);
        if (base == 64) {
            EXPECT_EQ(value(ctl::A), "3");  // the sign is lost in base 64
            EXPECT_EQ(value(ctl::RY), "1");
        } else {
            EXPECT_EQ(value(ctl::A), "-3");
            EXPECT_EQ(value(ctl::RY), "-1");
        }
        EXPECT_EQ(value(ctl::Q), "7FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
    }
}

TEST_F(Config, Base64FileLoadsIntoABase10Window) {
    ASSERT_TRUE(choose_base(10));
    ASSERT_EQ(load_configuration(*wb, vector_file("config_gf2m_base64.txt")), 0);
    EXPECT_EQ(wb->display_base(), 64);
    EXPECT_EQ(wb->curve_type(), kCurveGF2m);
    EXPECT_EQ(value(ctl::NP), "FF");
    EXPECT_EQ(value(ctl::A), "5");
    EXPECT_EQ(value(ctl::B), "10001");
}

TEST_F(Config, LoaderMatchingRules) {
    const std::string path = temp("rules.txt");
    const struct {
        const char* file;
        int base;        // display base afterwards
        int curve_type;  // curve type afterwards
        const char* np;  // NP record afterwards
    } cases[] = {
        // LF-only lines lose the first character of every value: "\n1" is skipped.
        {"[Base]\n10\n[N/Point Num]\n1234\n", 10, 0, "EA"},
        {"[Base]\r\n8\r\n", 64, 0, "7"},
        {"[Base]\r\n2\r\n", 36, 0, "7"},
        {"[Base]\r\n64\r\n", 64, 0, "7"},
        {"[Base]\r\nhex\r\n", 64, 0, "7"},
        {"[Base]\r\n10\r\n[CurveType]\r\n1\r\n", 10, 1, "7"},
        {"[CurveType]\r\ngf(p)\r\n", 16, 1, "7"},  // lower case: unchanged
        {"[CurveType]\r\nGF(2^M)\r\n", 16, 1, "7"},
        {"[CurveType]\r\nGF(P)\r\n", 16, 0, "7"},
        // An empty value line makes the next key line the token ("Aa2" in hex).
        {"[N/Point Num]\r\n\r\n[A/a2]\r\nBEEF\r\n", 16, 0, "AA2"},
        {"[N/Point Num]\r\n0\r\n", 16, 0, "0"},
        {"junk before [N/Point Num]\r\n  \t 12 34\r\n", 16, 0, "12"},
        {"[n/point num]\r\n99\r\n", 16, 0, "7"},  // keys are case-sensitive
        {"", 16, 0, "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        start();
        type(ctl::NP, "7");
        if (std::string(c.file).find("gf(p)") != std::string::npos ||
            std::string(c.file).find("GF(P)") != std::string::npos)
            win->choose(ctl::curve_type, 1);
        write(path, c.file);
        ASSERT_EQ(load_configuration(*wb, path), 0);
        EXPECT_EQ(wb->display_base(), c.base);
        EXPECT_EQ(wb->curve_type(), c.curve_type);
        EXPECT_EQ(value(ctl::NP), c.np);
        EXPECT_EQ(win->text(ctl::curve_bits), "64");  // missing keys: untouched
    }
}

TEST_F(Config, SmallBoxesTakeTheTokenAsItIs) {
    const std::string path = temp("boxes.txt");
    write(path, "[GF(P) Curver Bits]\r\nabc\r\n[EC2_m]\r\n0163\r\n");
    ASSERT_EQ(load_configuration(*wb, path), 0);
    EXPECT_EQ(win->text(ctl::curve_bits), "abc");
    EXPECT_EQ(wb->box_value(ctl::curve_bits), 0u);
    EXPECT_EQ(wb->box_value(ctl::m_box), 163u);
}

TEST_F(Config, BadFilesLeaveTheWindowAsItWas) {
    type(ctl::NP, "1234");
    const std::vector<std::string> before = saved_controls();

    // Missing file and a directory: one line naming the file and the reason.
    win->set_text(ctl::large_pane, "");
    EXPECT_EQ(load_configuration(*wb, "/nonexistent/korvath.txt"), 1);
    EXPECT_EQ(pane(), "Cannot load configuration \"/nonexistent/korvath.txt\": No such file or directory\r\n");
    win->set_text(ctl::large_pane, "");
    EXPECT_EQ(load_configuration(*wb, ::testing::TempDir()), 1);
    EXPECT_NE(pane().find("Is a directory"), std::string::npos) << pane();
    EXPECT_EQ(saved_controls(), before);

    // A megabyte of random bytes (fixed seed) with no key in it.
    std::mt19937 rng(12345);
    std::string noise(1 << 20, '\0');
    for (char& ch : noise) ch = static_cast<char>(rng() & 0xFF);
    const std::string path = temp("noise.txt");
    write(path, noise);
    EXPECT_EQ(load_configuration(*wb, path), 0);
    EXPECT_EQ(saved_controls(), before);

    // Random bytes around real keys: the keys are found, the values are read.
    std::string mixed = noise.substr(0, 5000) + "[N/Point Num]\r\nABCD\r\n" + noise.substr(5000, 20000);
    write(path, mixed);
    EXPECT_EQ(load_configuration(*wb, path), 0);
    EXPECT_EQ(value(ctl::NP), "ABCD");

    // Keys beyond the first 32,767 bytes are not read.
    write(path, std::string(40000, ' ') + "[N/Point Num]\r\n99\r\n");
    EXPECT_EQ(load_configuration(*wb, path), 0);
    EXPECT_EQ(value(ctl::NP), "ABCD");

    // Over-long tokens: cut to 4,095 characters; a number too big for the engine
    // is reported and leaves the field as it was.
    win->set_text(ctl::large_pane, "");
    write(path, "[N/Point Num]\r\n" + std::string(10000, 'F') + "\r\n[EC2_a]\r\n" + std::string(9000, '9') + "\r\n");
    EXPECT_EQ(load_configuration(*wb, path), 0);
    EXPECT_EQ(value(ctl::NP), "ABCD");
    EXPECT_EQ(text(ctl::NP), "ABCD");
    EXPECT_EQ(win->text(ctl::a_box).size(), kConfigTokenLimit);
    EXPECT_EQ(wb->box_value(ctl::a_box), 0u);  // too big for a 32-bit box
}

TEST_F(Config, ReadOnlyFileLoadsAndUnwritablePathReports) {
    const std::string path = temp("readonly.txt");
    ::unlink(path.c_str());
    write(path, "[N/Point Num]\r\n55\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(load_configuration(*wb, path), 0);
    EXPECT_EQ(value(ctl::NP), "55");
    ::chmod(path.c_str(), 0644);

    win->set_text(ctl::large_pane, "done");
    EXPECT_EQ(save_configuration(*wb, "/nonexistent/dir/out.txt"), 1);
    EXPECT_EQ(pane(), "done\r\nCannot save configuration \"/nonexistent/dir/out.txt\": No such file or directory\r\n");
}

TEST_F(Config, ButtonsUseTheFilePickers) {
    const std::string path = temp("picked.txt");
    ::unlink(path.c_str());
    type(ctl::NP, "ABC");
    win->queue_file_answer(std::nullopt);  // cancelled: nothing written
    ASSERT_TRUE(win->click(ctl::save_cfg));
    std::string bytes;
    EXPECT_NE(file_read_prefix(path, 100, bytes), 0);
    win->queue_file_answer(path);
    ASSERT_TRUE(win->click(ctl::save_cfg));
    type(ctl::NP, "1");
    win->queue_file_answer(path);
    ASSERT_TRUE(win->click(ctl::load_cfg));
    EXPECT_EQ(value(ctl::NP), "ABC");
}

}  // namespace
