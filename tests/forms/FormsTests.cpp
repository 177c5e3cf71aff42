// The windows' texts, the twips conversions, the main window's layout rule
// and the font choice, without any toolkit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "forms/FontChoice.h"
#include "forms/FormTexts.h"
#include "forms/Layout.h"
#include "forms/Twips.h"
#include "tools/Errors.h"

#include "texts/ErrorWords.h"

namespace qmr {
namespace {

TEST(FormTexts, VersionLineIsTitleVersionAndCredit) {
  EXPECT_EQ(VersionLine("made here"), "QMR Rebuilder version 1.01.000 made here");
  EXPECT_EQ(VersionLine(""), "QMR Rebuilder version 1.01.000 ");
  EXPECT_STREQ(kApplicationTitle, "QMR Rebuilder");
}

TEST(FormTexts, MessagesNameTheirNumbers) {
  EXPECT_EQ(DriveErrorText(76, "Path not found"), "Error 76 Path not found");
  const Error denied(ErrorCode::PermissionDenied, "Permission denied: 'x'");
  EXPECT_EQ(BatchFailedText("T", denied, {}, {"T"}),
            "The rebuild stopped at trend T.\n\nError 70 Permission denied: 'x'\n\nRebuilt: none.\nNot rebuilt: T.");
  EXPECT_EQ(BatchFailedText("T", denied, {"A"}, {"T", "C", "D"}),
            "The rebuild stopped at trend T.\n\nError 70 Permission denied: 'x'\n\n"
            "Rebuilt: A.\nNot rebuilt: T, C and D.");
  EXPECT_EQ(BadNameText("?.000").rfind("Error 52 ", 0), 0u) << BadNameText("?.000");
  EXPECT_NE(BadNameText("?.000").find("?.000"), std::string::npos);
}

// A long selection is named in part, with the count of the rest.
TEST(FormTexts, NameListStopsAtTenNames) {
  EXPECT_EQ(NameList({"A", "B"}), "A and B");
  std::vector<std::string> names;
  for (char c = 'A'; c < 'A' + 12; ++c) names.emplace_back(1, c);
  EXPECT_EQ(NameList(names), "A, B, C, D, E, F, G, H, I, J and 2 more");
  names.resize(11);
  EXPECT_EQ(NameList(names), "A, B, C, D, E, F, G, H, I, J and 1 more");
}

// A path deep in folders is broken into lines after its separators; words
// of a usual length are left alone.
TEST(FormTexts, LongPathsAreWrappedAfterSeparators) {
  std::string path = "C:";
  while (path.size() < 250) path += "\\folder" + std::to_string(path.size());
  const std::string text = "Error 70 Permission denied: '" + path + "' (Access denied.)";
  const std::string wrapped = WrapLongWords(text, 64);
  std::string joined;
  std::size_t word = 0;
  for (const char c : wrapped) {
    if (c != '\n') joined += c;
    word = c == ' ' || c == '\n' ? 0 : word + 1;
    EXPECT_LE(word, 64u) << wrapped;
  }
  EXPECT_EQ(joined, text);
  EXPECT_GT(std::count(wrapped.begin(), wrapped.end(), '\n'), 3);
  // Every break but a hard one follows a separator.
  for (std::size_t i = wrapped.find('\n'); i != std::string::npos; i = wrapped.find('\n', i + 1))
    EXPECT_EQ(wrapped[i - 1], '\\') << wrapped;
  EXPECT_EQ(WrapLongWords("Error 53 File not found", 64), "Error 53 File not found");
  EXPECT_EQ(WrapLongWords(std::string(10, 'x'), 4), "xxxx\nxxxx\nxx");
}

// What the engine tells as facts reaches the error box in words.
TEST(FormTexts, ErrorFactsAreWorded) {
#ifndef _WIN32
  const Error readOnly(ErrorCode::PermissionDenied, ErrorFact::ReadOnlyMaster, {.path = "/p/T.qmr"});
  EXPECT_EQ(ErrorWords(readOnly), "Permission denied: '/p/T.qmr' is read-only; make it writable to replace it");
  const Error noFile(ErrorCode::PermissionDenied, ErrorFact::NoFileInFolder,
                     {.path = "/p", .detail = "T.qmr", .systemError = EACCES});
  EXPECT_EQ(ErrorWords(noFile), "Permission denied: cannot create a file in folder '/p' to replace 'T.qmr' (" +
                                    std::generic_category().message(EACCES) + ")");
#endif
  const Error plain(ErrorCode::DiskFull, "Disk full: 'x'");
  EXPECT_EQ(ErrorWords(plain), "Disk full: 'x'");
}

// A one-line label shows its first line alone: a text broken at blanks as
// the label would break it (here every character is 10 wide).
TEST(FormTexts, FirstLineIsTheWordsThatFit) {
  const auto widthOf = [](std::string_view text) { return static_cast<int>(text.size()) * 10; };
  EXPECT_EQ(FirstLine("Boiler feed pump", 200, widthOf), "Boiler feed pump");
  EXPECT_EQ(FirstLine("Boiler feed pump", 110, widthOf), "Boiler feed");
  EXPECT_EQ(FirstLine("Boiler feed pump", 100, widthOf), "Boiler");
  EXPECT_EQ(FirstLine("Boilerfeedpump two", 50, widthOf), "Boilerfeedpump");  // cut at the edge
  EXPECT_EQ(FirstLine("", 50, widthOf), "");
}

TEST(Twips, ConvertAtTheScreenResolution) {
  EXPECT_EQ(TwipsToPixels(5505, 96), 367);
  EXPECT_EQ(TwipsToPixels(5685, 96), 379);
  EXPECT_EQ(TwipsToPixels(5505, 144), 551);  // 550.5 rounds away from zero
  EXPECT_EQ(TwipsToPixels(1440, 120), 120);
  EXPECT_EQ(PixelsToTwips(400, 96), 6000.0);
  EXPECT_EQ(PixelsToTwips(600, 144), 6000.0);
  EXPECT_EQ(SnapToPixels(2152.5, 96), 2160.0);  // 143.5 pixels round up to 144
}

TEST(Layout, ClientOf6000By6000) {
  const MainLayout l = ArrangeControls(6000, 6000);
  EXPECT_EQ(l.trendLocationWidth, 5520.0);
  EXPECT_EQ(l.trendLocationHeight, 4905.0);
  for (double width : {l.pathWidth, l.driveWidth, l.folderWidth, l.fileWidth}) EXPECT_EQ(width, 2400.0);
  EXPECT_EQ(l.pathHeight, 3690.0);
  EXPECT_EQ(l.fileHeight, 3690.0);
  EXPECT_EQ(l.fileLeft, 2880.0);
  EXPECT_EQ(l.folderHeight, 3255.0);
  EXPECT_EQ(l.buttonsTop, 5265.0);
  EXPECT_EQ(l.buttonsLeft, 1905.0);
  EXPECT_EQ(l.multiSelectWidth, 5040.0);
  EXPECT_EQ(l.multiSelectTop, 4410.0);
  EXPECT_EQ(l.multiSelectLeft, 240.0);
}

TEST(Layout, DesignClientSizeKeepsTheHalfTwip) {
  const MainLayout l = ArrangeControls(5505, 5685);
  EXPECT_EQ(l.pathWidth, 2152.5);
  EXPECT_EQ(l.trendLocationWidth, 5025.0);
}

struct ClientSize {
  double width, height, driveHeight;
};

class LayoutClosedForm : public testing::TestWithParam<ClientSize> {};

TEST_P(LayoutClosedForm, MatchesTheFormula) {
  const auto [W, H, driveHeight] = GetParam();
  LayoutFixed fixed;
  fixed.driveListHeight = driveHeight;
  const MainLayout l = ArrangeControls(W, H, fixed);
  EXPECT_EQ(l.trendLocationWidth, W - 480);
  EXPECT_EQ(l.trendLocationHeight, H - 1095);
  EXPECT_EQ(l.pathWidth, (W - 1200) / 2);
  EXPECT_EQ(l.pathHeight, H - 2310);
  EXPECT_EQ(l.fileLeft, (W - 1200) / 2 + 480);
  EXPECT_EQ(l.fileWidth, l.pathWidth);
  EXPECT_EQ(l.fileHeight, l.pathHeight);
  EXPECT_EQ(l.buttonsTop, H - 735);
  EXPECT_EQ(l.buttonsLeft, W - 4095);
  EXPECT_EQ(l.folderHeight, H - 2310 - driveHeight - 120);
  EXPECT_EQ(l.multiSelectWidth, W - 960);
  EXPECT_EQ(l.multiSelectTop, H - 1590);
  EXPECT_EQ(l.multiSelectLeft, 240.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LayoutClosedForm,
                         testing::Values(ClientSize{6000, 6000, 315}, ClientSize{12000, 5500, 330},
                                         ClientSize{5500, 15000, 300}, ClientSize{7001, 8003, 315}),
                         [](const testing::TestParamInfo<ClientSize>& size) {
                           return std::to_string(static_cast<int>(size.param.width)) + "x" +
                                  std::to_string(static_cast<int>(size.param.height));
                         });

TEST(Layout, LaterStepsBuildOnSnappedValues) {
  const MainLayout l = ArrangeControls(5505, 5685, {}, [](double twips) { return SnapToPixels(twips, 96); });
  EXPECT_EQ(l.pathWidth, 2160.0);
  EXPECT_EQ(l.fileLeft, 2160.0 + 480);
}

TEST(Layout, MinimumAppliesToTheOuterSize) {
  const MinimumOuterSize low = CheckMinimumSize(6000, 5400);
  EXPECT_FALSE(low.outerWidth);
  EXPECT_EQ(low.outerHeight, 5500.0);
  const MinimumOuterSize narrow = CheckMinimumSize(5499, 9000);
  EXPECT_EQ(narrow.outerWidth, 5500.0);
  EXPECT_FALSE(narrow.outerHeight);
  const MinimumOuterSize both = CheckMinimumSize(100, 100);
  EXPECT_TRUE(both.outerWidth && both.outerHeight);
  const MinimumOuterSize exact = CheckMinimumSize(5500, 5500);
  EXPECT_FALSE(exact.outerWidth || exact.outerHeight);
}

TEST(FontChoice, TheFixedTextsAndTheirBoxes) {
  const std::vector<FixedText> texts = FixedTexts();
  ASSERT_EQ(texts.size(), 7u);
  std::set<std::string> shown;
  for (const FixedText& text : texts) shown.insert(text.text);
  for (const char* expected : {kHelpText1, kHelpText2, kHelpText3, kHelpText4, kMultiSelectText, kStatusText})
    EXPECT_TRUE(shown.count(expected)) << expected;
  EXPECT_TRUE(shown.count(VersionLine(kHelpComments)));
  for (const FixedText& text : texts) {
    if (text.text == kMultiSelectText) {
      EXPECT_TRUE(text.centred);
      EXPECT_EQ(text.widthTwips, 5500 - 960);  // its width at the smallest window
      EXPECT_EQ(text.heightTwips, 255);
    } else if (text.text == kHelpText2) {
      EXPECT_FALSE(text.centred);
      EXPECT_EQ(text.widthTwips, 5535);
      EXPECT_EQ(text.heightTwips, 975);
    }
  }
}

TEST(FontChoice, LargestSizeAtWhichAllFit) {
  std::vector<double> asked;
  EXPECT_EQ(ChooseFontSize([&](double points) {
              asked.push_back(points);
              return points <= 7.0;
            }),
            7.0);
  EXPECT_EQ(asked, (std::vector<double>{8.0, 7.5, 7.0}));
  EXPECT_EQ(ChooseFontSize([](double) { return true; }), 8.0);
  EXPECT_EQ(ChooseFontSize([](double) { return false; }), 6.0);  // the smallest shows the most
}

}  // namespace
}  // namespace qmr
