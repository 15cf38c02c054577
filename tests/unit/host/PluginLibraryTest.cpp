#include <gtest/gtest.h>

#include "host/PluginLibrary.h"

namespace host {
namespace {

TEST(PluginLibrary, OpensAPluginWithStandardExportsOnly) {
    PluginLibrary plugin;
    std::string error;
    ASSERT_TRUE(plugin.Open(MINIMAL_EXTIO_PATH, error)) << error;
    const ExtIoFunctions& f = plugin.Functions();
    EXPECT_NE(f.InitHW, nullptr);
    EXPECT_NE(f.SetCallback, nullptr);
    EXPECT_NE(f.GetHWLO, nullptr);
    EXPECT_EQ(f.ShowGUI, nullptr);
    EXPECT_EQ(f.SetAtt, nullptr);
    EXPECT_FALSE(plugin.HasAllExtended());
    EXPECT_EQ(plugin.MissingExtended().size(), 8u);
    EXPECT_TRUE(plugin.PresentHostOptional().empty());

    char name[64] = {}, model[64] = {};
    int type = 0;
    EXPECT_EQ(f.InitHW(name, model, &type), 1);
    EXPECT_STREQ(name, "Minimal");
    EXPECT_EQ(type, 7);
    EXPECT_EQ(f.GetHWSR(), 96000);
    plugin.Close();
    EXPECT_EQ(plugin.Functions().InitHW, nullptr);
}

TEST(PluginLibrary, MissingFileIsAnErrorNamingThePath) {
    PluginLibrary plugin;
    std::string error;
    EXPECT_FALSE(plugin.Open("no_such_plugin.dll", error));
    EXPECT_NE(error.find("cannot load plug-in 'no_such_plugin.dll'"), std::string::npos) << error;
}

TEST(PluginLibrary, LibraryWithoutTheExportsIsNotAPlugin) {
    PluginLibrary plugin;
    std::string error;
    EXPECT_FALSE(plugin.Open(NOT_A_PLUGIN_PATH, error));
    EXPECT_NE(error.find("lacks InitHW, OpenHW, StartHW, StopHW, CloseHW, SetHWLO, GetHWSR, SetCallback"),
              std::string::npos)
        << error;
    EXPECT_EQ(plugin.Functions().InitHW, nullptr);
}

}  // namespace
}  // namespace host
