// Icon look-up, font mapping, message-box helpers, use variables.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "runtime/ui/font_map.h"
#include "runtime/ui/icon_resolver.h"
#include "runtime/ui/list_format.h"
#include "runtime/ui/picture_codec.h"
#include "runtime/ui/scripted_presenter.h"
#include "runtime/ui/use_var.h"

namespace {

namespace fs = std::filesystem;

class Icons : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_icons_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "salir.ICO") << "x";
    std::ofstream(dir_ / "Mine.ico") << "x";
    ui::setIconFolder(dir_.string());
  }
  void TearDown() override {
    ui::setIconFolder("");
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(Icons, ResolutionOrderLiteralFolderBuiltInNone) {
  std::string literal = (dir_ / "Mine.ico").string();
  EXPECT_EQ(ui::resolveIcon(literal).path, literal);
  ui::IconRef r = ui::resolveIcon("C:\\ICONOS\\SALIR.ico");
  EXPECT_EQ(r.kind, ui::IconRef::File);
  EXPECT_EQ(fs::path(r.path).filename(), "salir.ICO");
  EXPECT_EQ(ui::resolveIcon("~C:\\ICONOS\\mine.ICO").kind, ui::IconRef::File);
  r = ui::resolveIcon("C:\\ICONOS\\Biblioteca.ico");
  EXPECT_EQ(r.kind, ui::IconRef::BuiltIn);
  EXPECT_EQ(r.builtin, "Biblioteca");
  EXPECT_EQ(ui::resolveIcon("C:\\ICONOS\\IMPPREV.ICO").builtin, "IMPPREV");
  EXPECT_EQ(ui::resolveIcon("C:\\ICONOS\\NADA.ico").kind, ui::IconRef::None);
  EXPECT_EQ(ui::resolveIcon("").kind, ui::IconRef::None);
  ui::setIconFolder((dir_ / "missing").string());
  EXPECT_EQ(ui::resolveIcon("C:\\ICONOS\\SALIR.ico").kind, ui::IconRef::BuiltIn);
}

TEST(FontMap, MetricCompatibleFirstThenLookAlikeThenGeneric) {
  std::set<std::string> installed = {"Carlito", "DejaVu Sans Mono", "DejaVu Sans", "Noto Serif"};
  auto has = [&](const std::string& f) { return installed.count(f) > 0; };
  EXPECT_EQ(ui::mapFontFamily("Calibri", has), "Carlito");
  EXPECT_EQ(ui::mapFontFamily("Consolas", has), "DejaVu Sans Mono");
  EXPECT_EQ(ui::mapFontFamily("Noto Serif", has), "Noto Serif");
  auto none = [](const std::string&) { return false; };
  EXPECT_EQ(ui::mapFontFamily("Consolas", none), "monospace");
  EXPECT_EQ(ui::mapFontFamily("Calibri", none), "sans-serif");
}

// Dialog units of the fonts the windows name, as Windows gives them at 96
// dpi (8 points: a 10.67-pixel em), whatever font draws them here.
TEST(FontMap, DialogUnitsFollowTheNamedFontsDesignMetrics) {
  struct Case {
    const char* font;
    double points, x, y;
  } cases[] = {
      {"Consolas", 8, 1.5, 1.625},       // 6 x 13 pixels: a 900-unit window is 1,350 pixels wide
      {"consolas", 10, 1.75, 1.875},     // 7 x 15
      {"MS Sans Serif", 8, 1.5, 1.625},  // the classic 6 x 13 base units
      {"Calibri", 11, 1.75, 2.25},       // 7 x 18
  };
  for (const Case& c : cases) {
    std::optional<ui::FontDesign> d = ui::fontDesign(c.font);
    ASSERT_TRUE(d.has_value()) << c.font;
    ui::DialogUnits u = ui::dialogUnits(*d, c.points * 96 / 72);
    EXPECT_DOUBLE_EQ(u.x, c.x) << c.font;
    EXPECT_DOUBLE_EQ(u.y, c.y) << c.font;
  }
  EXPECT_FALSE(ui::fontDesign("Comic Sans MS").has_value());
  EXPECT_TRUE(ui::metricCompatible("Calibri", "Carlito"));
  EXPECT_TRUE(ui::metricCompatible("Consolas", "consolas"));
  EXPECT_FALSE(ui::metricCompatible("Consolas", "DejaVu Sans Mono"));
}

TEST(MessageHelpers, ButtonsInFixedOrderAndScriptedAnswers) {
  EXPECT_EQ(ui::messageButtons(rt::Button_Cancel + rt::Button_Yes + rt::Button_No),
            (std::vector<uint32_t>{rt::Button_Yes, rt::Button_No, rt::Button_Cancel}));
  EXPECT_EQ(ui::messageButtons(0), (std::vector<uint32_t>{rt::Button_Ok}));
  EXPECT_EQ(ui::messageLines("a|b||c"), "a\nb\n\nc");
  ui::ScriptedPresenter p;
  p.answer(rt::Button_No);
  rt::MessageRequest r;
  r.defaultButton = rt::Button_Yes;
  EXPECT_EQ(p.show(r), rt::Button_No);
  EXPECT_EQ(p.show(r), rt::Button_Yes);
  EXPECT_EQ(p.shown.size(), 2u);
}

TEST(UseVars, IntegerRangeAndFixedWidthText) {
  int32_t n = 5;
  ui::Int32Var v(&n);
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  };
  for (const Case& c : {Case{"12", true, 12}, Case{" -3 ", true, -3}, Case{"2.5", true, 3},
                        Case{"", true, 0}, Case{"2147483648", false, 0}, Case{"1e3x", false, 0},
                        Case{"abc", false, 0}}) {
    n = 77;
    EXPECT_EQ(v.set(c.text), c.ok) << c.text;
    EXPECT_EQ(n, c.ok ? c.value : 77) << c.text;
  }
  std::string s;
  ui::StringVar t(&s, 4);
  t.set("abcdef");
  EXPECT_EQ(s, "abcd");
  t.set("a");
  EXPECT_EQ(s, "a   ");
}

}  // namespace

namespace {

TEST(ListFormat, ColumnsOfAFormatText) {
  auto cols = ui::parseListFormat(
      "217L(2)|M~Message~S(255)@s255@42L(2)|M~Category~L(1)@s255@40C_#5#@n2B@30R");
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[0].width, 217);
  EXPECT_EQ(cols[0].align, 'L');
  EXPECT_TRUE(cols[0].rightBorder && cols[0].resizable && !cols[0].underline);
  EXPECT_EQ(cols[0].header, "Message");
  EXPECT_EQ(cols[0].picture, "@s255");
  EXPECT_EQ(cols[1].header, "Category");
  EXPECT_EQ(cols[1].headerAlign, 'L');
  EXPECT_EQ(cols[1].field, 2);
  EXPECT_EQ(cols[2].align, 'C');
  EXPECT_TRUE(cols[2].underline && !cols[2].rightBorder);
  EXPECT_EQ(cols[2].field, 5);
  EXPECT_EQ(cols[2].picture, "@n2B");
  EXPECT_EQ(cols[3].field, 6);
  EXPECT_EQ(cols[3].picture, "");
  for (const char* bad : {"", "x", "12L(", "5~open", "9@s", "99999999999999999L"})
    EXPECT_LE(ui::parseListFormat(bad).size(), 1u) << bad;
}

TEST(RuntimePictures, EntriesFormatAndRefuseThroughPictures) {
  ui::RuntimePictureCodec codec;
  EXPECT_EQ(codec.format("12345678", "@n-14"), "    12,345,678");
  EXPECT_EQ(codec.format("abc", ""), "abc");
  std::string v;
  EXPECT_TRUE(codec.deformat("1,234", "@n-14", &v));
  EXPECT_EQ(v, "1234");
  EXPECT_FALSE(codec.deformat("31/02/80", "@d06", &v));
  EXPECT_TRUE(codec.deformat("1/2/1980", "@d06", &v));
  EXPECT_EQ(v, "65413");
}

}  // namespace
