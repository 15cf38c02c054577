#include <gtest/gtest.h>

#include "host/HostOptions.h"

namespace host {
namespace {

ParseResult Parse(std::vector<std::string> arguments) { return ParseHostOptions(arguments); }

TEST(HostOptions, ReadsEveryOptionOfAFullCommandLine) {
    const ParseResult result = Parse({"--plugin",
                                      "ExtIO_X.dll",
                                      "--freq",
                                      "14074000",
                                      "--mode",
                                      "3",
                                      "--seconds",
                                      "2.5",
                                      "--att",
                                      "on",
                                      "--dither=off",
                                      "--nb",
                                      "on",
                                      "--offset",
                                      "-12",
                                      "--extended",
                                      "--show-panel",
                                      "--wav",
                                      "a.wav",
                                      "--plot",
                                      "b.png",
                                      "--rate-index",
                                      "1",
                                      "--att-index",
                                      "2"});
    ASSERT_TRUE(result.options) << result.error;
    const HostOptions& o = *result.options;
    EXPECT_EQ(o.pluginPath, "ExtIO_X.dll");
    EXPECT_EQ(o.frequencyHz, 14074000);
    EXPECT_EQ(o.sampleMode, 3);
    EXPECT_DOUBLE_EQ(o.seconds, 2.5);
    EXPECT_EQ(o.attenuator, true);
    EXPECT_EQ(o.dither, false);
    EXPECT_EQ(o.noiseBlanker, true);
    EXPECT_EQ(o.levelOffsetDb, -12);
    EXPECT_TRUE(o.extended);
    EXPECT_TRUE(o.showPanel);
    EXPECT_FALSE(o.attenuatorToggle);
    EXPECT_EQ(o.wavPath, "a.wav");
    EXPECT_EQ(o.plotPath, "b.png");
    EXPECT_EQ(o.rateIndex, 1);
    EXPECT_EQ(o.attenuatorIndex, 2);
}

TEST(HostOptions, LeavesWhatWasNotGivenUnset) {
    const ParseResult result = Parse({"--plugin", "p.dll"});
    ASSERT_TRUE(result.options);
    EXPECT_FALSE(result.options->frequencyHz);
    EXPECT_FALSE(result.options->attenuator);
    EXPECT_FALSE(result.options->extended);
    EXPECT_DOUBLE_EQ(result.options->seconds, 2.0);
}

TEST(HostOptions, FullScaleTakesAnyPositiveFiniteValue) {
    const ParseResult integers = Parse({"--plugin", "p", "--full-scale", "2147483648"});
    ASSERT_TRUE(integers.options) << integers.error;
    EXPECT_DOUBLE_EQ(integers.options->fullScale, 2147483648.0);
    const ParseResult small = Parse({"--plugin", "p", "--full-scale=1e-3"});
    ASSERT_TRUE(small.options) << small.error;
    EXPECT_DOUBLE_EQ(small.options->fullScale, 0.001);
    EXPECT_DOUBLE_EQ(Parse({"--plugin", "p"}).options->fullScale, 1.0);
}

TEST(HostOptions, ScreenshotShowsThePanelAndTakesAHoverTarget) {
    const ParseResult result = Parse({"--plugin", "p", "--screenshot", "panel.png", "--hover-button", "1002"});
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_EQ(result.options->screenshotPath, "panel.png");
    EXPECT_TRUE(result.options->showPanel);
    EXPECT_EQ(result.options->hoverControlId, 1002);
    EXPECT_TRUE(Parse({"--plugin", "p", "--screenshot", "a.png", "--show-panel"}).options)
        << "--show-panel as well is no conflict";
    EXPECT_FALSE(Parse({"--plugin", "p"}).options->showPanel);
}

TEST(HostOptions, SoakIsAFlagOfExtendedRuns) {
    const ParseResult result = Parse({"--plugin", "p", "--extended", "--mode", "4", "--soak", "--seconds", "60"});
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_TRUE(result.options->soak);
    EXPECT_DOUBLE_EQ(result.options->seconds, 60.0);
    EXPECT_FALSE(Parse({"--plugin", "p", "--extended"}).options->soak);
    EXPECT_TRUE(Parse({"--plugin", "p", "--extended", "--soak", "--att", "on", "--offset", "-20"}).options)
        << "the soak starts from the settings given";
    EXPECT_NE(std::string(HostUsage()).find("--soak --seconds 60"), std::string::npos) << "the help shows the long run";
}

TEST(HostOptions, HelpNeedsNoPlugin) {
    EXPECT_TRUE(Parse({"--help"}).helpRequested);
    EXPECT_TRUE(Parse({"--freq", "1", "-h"}).helpRequested);
}

struct BadCase {
    std::vector<std::string> arguments;
    const char* expectedText;
};

TEST(HostOptions, RejectsBadArgumentsWithAMessageNamingTheProblem) {
    const BadCase cases[] = {
        {{}, "--plugin PATH is required"},
        {{"--freq", "7000000"}, "--plugin PATH is required"},
        {{"--plugin"}, "--plugin needs a value"},
        {{"--plugin", ""}, "empty path"},
        {{"--plugin", "p", "--bogus"}, "unknown argument '--bogus'"},
        {{"--plugin", "p", "extra"}, "unknown argument 'extra'"},
        {{"--plugin", "p", "--freq", "7.05M"}, "'7.05M' is not a whole number"},
        {{"--plugin", "p", "--freq", "-5"}, "outside 0..2147483647"},
        {{"--plugin", "p", "--freq", "99999999999"}, "outside"},
        {{"--plugin", "p", "--freq", ""}, "is not a whole number"},
        {{"--plugin", "p", "--extended", "--mode", "5"}, "--mode: 5 is outside 0..4"},
        {{"--plugin", "p", "--seconds", "0"}, "outside (0, 3600]"},
        {{"--plugin", "p", "--seconds", "nan"}, "not a number"},
        {{"--plugin", "p", "--seconds", "two"}, "not a number"},
        {{"--plugin", "p", "--extended", "--att", "yes"}, "--att: expected on or off, not 'yes'"},
        {{"--plugin", "p", "--extended", "--offset", "40000"}, "--offset: 40000 is outside"},
        {{"--plugin", "p", "--rate-index", "-1"}, "--rate-index: -1 is outside"},
        {{"--plugin", "p", "--att", "on"}, "--att drives an extended export and needs --extended"},
        {{"--plugin", "p", "--mode", "2"}, "--mode drives an extended export"},
        {{"--plugin", "p", "--offset", "3"}, "--offset drives an extended export"},
        {{"--plugin", "p", "--att-toggle"}, "--att-toggle drives an extended export"},
        {{"--plugin", "p", "--extended", "--att-toggle", "--att", "on"}, "leave out --att"},
        {{"--plugin", "p", "--soak"}, "--soak drives an extended export and needs --extended"},
        {{"--plugin", "p", "--extended", "--soak", "--att-toggle"}, "leave out --att-toggle"},
        {{"--plugin", "p", "--extended", "--soak", "--seconds", "0.5"}, "--soak needs --seconds 1 or more"},
        {{"--plugin", "p", "--extended", "--soak=1"}, "--soak takes no value"},
        {{"--plugin", "p", "--plugin", "q"}, "--plugin is given more than once"},
        {{"--plugin", "p", "--extended=yes"}, "--extended takes no value"},
        {{"--plugin", "p", "--wav"}, "--wav needs a value"},
        {{"--plugin", "p", "--full-scale", "0"}, "--full-scale: '0' is not a positive finite number"},
        {{"--plugin", "p", "--full-scale", "-1"}, "--full-scale: '-1' is not a positive finite number"},
        {{"--plugin", "p", "--full-scale", "inf"}, "'inf' is not a positive finite number"},
        {{"--plugin", "p", "--full-scale", "nan"}, "'nan' is not a positive finite number"},
        {{"--plugin", "p", "--full-scale", "1e999"}, "'1e999' is not a positive finite number"},
        {{"--plugin", "p", "--full-scale", "2^31"}, "'2^31' is not a positive finite number"},
        {{"--plugin", "p", "--full-scale"}, "--full-scale needs a value"},
        {{"--plugin", "p", "--screenshot", ""}, "--screenshot: empty file name"},
        {{"--plugin", "p", "--hover-button", "1002"},
         "--hover-button only matters for a capture and needs --screenshot"},
        {{"--plugin", "p", "--screenshot", "a.png", "--hover-button", "0"}, "--hover-button: 0 is outside 1..65535"},
        {{"--plugin", "p", "--screenshot", "a.png", "--hover-button", "ok"}, "'ok' is not a whole number"},
    };
    for (const BadCase& bad : cases) {
        const ParseResult result = Parse(bad.arguments);
        EXPECT_FALSE(result.options) << bad.expectedText;
        EXPECT_FALSE(result.helpRequested);
        EXPECT_NE(result.error.find(bad.expectedText), std::string::npos)
            << "error was '" << result.error << "', expected to contain '" << bad.expectedText << "'";
    }
}

}  // namespace
}  // namespace host
