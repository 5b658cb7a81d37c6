#include "state/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/save_test_folder.h"
#include "platform/cp932.h"
#include "state/install_path.h"
#include "support/env_scope.h"

namespace qw {
namespace {

using test::EnvScope;
using test::TempFolder;

const std::string kGothic(kStartFontName);

Configuration Read(const TempFolder& folder, ConfigurationServices services = {}) {
  std::optional<Configuration> c = ReadConfiguration(folder.path(), services);
  EXPECT_TRUE(c.has_value());
  return c ? std::move(*c) : Configuration{};
}

TEST(SettingsTest, MissingCfgEndsTheReading) {
  TempFolder folder;
  folder.write("qwk.ini", "SavePath=x/\r\n");
  EXPECT_FALSE(ReadConfiguration(folder.path(), {}).has_value());
  EXPECT_STREQ(kMissingConfigMessage, "設定ファイルqwk.cfgが見つかりません");
}

TEST(SettingsTest, FirstRunTakesTheAuthorsStartValues) {
  TempFolder folder;
  folder.write("QWK.CFG",
               "[Main]\r\nDefaultFont0=Nope,IPAGothic\r\nDefaultFont3=Ruby\r\nDefaultFont5=Sym\r\n"
               "BGDarkness=3\r\nSavePath=save/\r\nIcon=icon.bmp\r\nTile=tile.png\r\n"
               "CommentFont1=\r\nCommentFont2=" +
                   Utf8ToCp932("本文") + "\r\nGlobalFlagSave=off\r\nDarknessRate=48\r\n");
  Configuration c = Read(folder);
  EXPECT_FALSE(c.readerSettingsFound);
  EXPECT_TRUE(c.reader.bgDarkness);
  EXPECT_EQ(c.reader.savePath, "save/");
  EXPECT_FALSE(c.reader.debugMode);
  EXPECT_TRUE(c.reader.enableMusic);
  EXPECT_FALSE(c.reader.highSpeedText);
  EXPECT_EQ(c.reader.fonts[0], kGothic);
  EXPECT_EQ(c.scenario.defaultFonts[0], "Nope,IPAGothic");
  EXPECT_EQ(c.scenario.defaultFonts[3], "Ruby");
  EXPECT_EQ(c.scenario.defaultFonts[5], "Sym");
  EXPECT_EQ(c.scenario.darknessRate, 48);
  EXPECT_EQ(c.scenario.icon, "icon.bmp");
  EXPECT_EQ(c.scenario.tile, "tile.png");
  EXPECT_EQ(c.scenario.fontComments[0], Utf8ToCp932("テキストフォント１"));
  EXPECT_EQ(c.scenario.fontComments[1], Utf8ToCp932("テキストフォント２"));
  EXPECT_EQ(c.scenario.fontComments[2], Utf8ToCp932("本文"));
  EXPECT_EQ(c.scenario.fontComments[3], Utf8ToCp932("ルビフォント"));
  EXPECT_TRUE(c.scenario.globalFlagSave);
  EXPECT_FALSE(c.scenario.textMaxIndex.has_value());
  EXPECT_EQ(c.scenario.mp3Timing, 5);
  EXPECT_TRUE(c.errors.empty());
  EXPECT_EQ(c.dataFolder, folder.path());
}

TEST(SettingsTest, ReaderSettingsWinOverTheAuthorsStartValues) {
  TempFolder folder;
  folder.write("qwk.cfg",
               "DefaultFont0=Cfg\r\nBGDarkness=1\r\nSavePath=cfg/\r\nGlobalFlagSave=0\r\n");
  folder.write("qwk.ini",
               "Version=1.43\r\n[Display]\r\nBGDarkness=0\r\n[System]\r\nSavePath=ini/\r\n"
               "EnableMusic=0\r\nEnableSound=7\r\nHighSpeedText=1\r\nSkipText=0\r\n"
               "DebugMode=On\r\n[Font]\r\nFont0=A\r\nFont1=B\r\nFont2=\r\n");
  Configuration c = Read(folder);
  EXPECT_TRUE(c.readerSettingsFound);
  EXPECT_FALSE(c.reader.bgDarkness);
  EXPECT_EQ(c.reader.savePath, "ini/");
  EXPECT_FALSE(c.reader.enableMusic);
  EXPECT_TRUE(c.reader.enableSound);
  EXPECT_TRUE(c.reader.highSpeedText);
  EXPECT_FALSE(c.reader.skipText);
  EXPECT_FALSE(c.reader.debugMode);  // only "on" exactly
  EXPECT_EQ(c.reader.fonts[0], "A");
  EXPECT_EQ(c.reader.fonts[1], "B");
  EXPECT_EQ(c.reader.fonts[2], kGothic);
  EXPECT_EQ(c.reader.fonts[3], kGothic);
  EXPECT_EQ(c.scenario.defaultFonts[0], "");  // not read when qwk.ini exists
  EXPECT_FALSE(c.scenario.globalFlagSave);
}

TEST(SettingsTest, ValuesThatAreNoNumbersAreReportedAndKeepTheirDefaults) {
  TempFolder folder;
  folder.write(
      "qwk.cfg",
      "DarknessRate=dark\r\nIcon=i.bmp\r\nTextHideMode=\r\nBGHideMode=2x\r\nMP3Timing=9\r\n"
      "TextMaxIndex=lots\r\n");
  folder.write("qwk.ini", "EnableMusic=yes\r\nSkipText=\r\n");
  Configuration c = Read(folder);
  ASSERT_EQ(c.errors.size(), 4u);
  EXPECT_EQ(c.errors[0], "'yes' is not a valid integer value");
  EXPECT_EQ(c.errors[1], "'dark' is not a valid integer value");
  EXPECT_EQ(c.errors[2], "'lots' is not a valid integer value");
  EXPECT_EQ(c.errors[3], "'2x' is not a valid integer value");
  EXPECT_TRUE(c.reader.enableMusic);
  EXPECT_FALSE(c.reader.skipText);
  EXPECT_EQ(c.scenario.darknessRate, 32);
  EXPECT_EQ(c.scenario.icon, "i.bmp");
  EXPECT_EQ(c.scenario.textHideMode, 0);
  EXPECT_EQ(c.scenario.bgHideMode, 0);
  EXPECT_EQ(c.scenario.mp3Timing, 9);
  EXPECT_FALSE(c.scenario.textMaxIndex.has_value());
}

TEST(SettingsTest, ReadTextRecordSizes) {
  struct Case {
    const char* value;
    std::optional<std::int32_t> size;
    bool reported;
  };
  const Case cases[] = {
      {"", std::nullopt, false},
      {"0", 0, false},
      {"4096", 4096, false},
      {"-5", std::nullopt, true},
      {"2000000000", kMaxTextIndexBytes, true},
  };
  for (const Case& c : cases) {
    ConfigFile cfg;
    cfg.parse(std::string("TextMaxIndex=") + c.value);
    ScenarioSettings s;
    std::vector<std::string> errors;
    ReadScenarioKeys(cfg, s, errors);
    EXPECT_EQ(s.textMaxIndex, c.size) << c.value;
    EXPECT_EQ(!errors.empty(), c.reported) << c.value;
  }
}

TEST(SettingsTest, InstallFolderHoldsTheReaderSettings) {
  TempFolder scenario;
  TempFolder install;
  scenario.write("qwk.cfg", "ProgramID=" + Utf8ToCp932("物語") + "\r\n");
  install.write("qwk.ini", "SavePath=there/\r\n");
  std::string askedFor;
  ConfigurationServices services;
  services.installPath = [&](std::string_view id) {
    askedFor = id;
    return install.path().string();
  };
  Configuration c = Read(scenario, services);
  EXPECT_EQ(askedFor, Utf8ToCp932("物語"));
  EXPECT_EQ(c.dataFolder, install.path());
  EXPECT_EQ(c.reader.savePath, "there/");

  // A folder that does not exist leaves the current one.
  services.installPath = [&](std::string_view) { return (install / "gone").string(); };
  scenario.write("qwk.ini", "SavePath=here/\r\n");
  c = Read(scenario, services);
  EXPECT_EQ(c.dataFolder, scenario.path());
  EXPECT_EQ(c.reader.savePath, "here/");
}

TEST(SettingsTest, SaveFolderDialogOnlyWithoutAnyFolder) {
  TempFolder folder;
  folder.write("qwk.cfg", "Icon=a\r\n");
  int asked = 0;
  ConfigurationServices services;
  services.chooseSaveFile = [&](const OpenFileSpec& dialog) -> std::optional<std::string> {
    ++asked;
    EXPECT_EQ(dialog.title, "保存場所の指定(パスしか見ません)");
    EXPECT_EQ(dialog.fileName, "data0.qfd");
    EXPECT_EQ(dialog.filter, "SaveFile|*.*");
    return "/home/reader/" + std::string("セーブ") + "/data0.qfd";
  };
  Configuration c = Read(folder, services);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(c.reader.savePath, Utf8ToCp932("/home/reader/セーブ/"));

  services.chooseSaveFile = [&](const OpenFileSpec&) -> std::optional<std::string> {
    ++asked;
    return std::nullopt;
  };
  EXPECT_EQ(Read(folder, services).reader.savePath, "");
  folder.write("qwk.cfg", "SavePath=s/\r\n");
  EXPECT_EQ(Read(folder, services).reader.savePath, "s/");
  EXPECT_EQ(asked, 2);
}

TEST(SettingsTest, IniIsWrittenInItsOrderAndReadsBack) {
  ReaderSettings s;
  s.bgDarkness = true;
  s.savePath = "save\\";
  s.enableSound = false;
  s.skipText = true;
  s.fonts[1] = "Other";
  EXPECT_EQ(FormatReaderSettings(s),
            "Version=1.43\r\n[Display]\r\nBGDarkness=1\r\n[System]\r\nSavePath=save\\\r\n"
            "EnableMusic=1\r\nEnableSound=0\r\nHighSpeedText=0\r\nSkipText=1\r\n[Font]\r\n"
            "Font0=" +
                kGothic + "\r\nFont1=Other\r\nFont2=" + kGothic + "\r\nFont3=" + kGothic + "\r\n");
  s.debugMode = true;
  EXPECT_NE(FormatReaderSettings(s).find("SkipText=1\r\nDebugMode=on\r\n[Font]"),
            std::string::npos);

  TempFolder folder;
  folder.write("QWK.INI", "old");
  folder.write("qwk.cfg", "");
  ASSERT_TRUE(WriteReaderSettings(folder.path(), s));
  EXPECT_EQ(folder.read("QWK.INI"), FormatReaderSettings(s));  // the existing file replaced
  EXPECT_FALSE(folder.exists("qwk.ini"));
  Configuration c = Read(folder);
  EXPECT_EQ(FormatReaderSettings(c.reader), FormatReaderSettings(s));
  EXPECT_FALSE(WriteReaderSettings(folder / "missing", s));
}

TEST(SettingsTest, SettingsFilesAreReadOnlyAsFarAsTheBound) {
  TempFolder folder;
  std::string big =
      "Icon=first\r\n" + std::string(kMaxSettingsFileBytes, ';') + "\r\nTile=late\r\n";
  folder.write("qwk.cfg", big);
  Configuration c = Read(folder);
  EXPECT_EQ(c.scenario.icon, "first");
  EXPECT_EQ(c.scenario.tile, "");
}

TEST(SettingsTest, FirstInstalledFontOfAList) {
  auto installed = [](const std::string& name) { return name == "B" || name == "C"; };
  EXPECT_EQ(FirstInstalledFont("A,B,C", installed), "B");
  EXPECT_EQ(FirstInstalledFont(",,C", installed), "C");
  EXPECT_EQ(FirstInstalledFont("A,D", installed), std::nullopt);
  EXPECT_EQ(FirstInstalledFont("", installed), std::nullopt);
}

TEST(SettingsInstallPathTest, LinesOfTheInstallPathsFile) {
  TempFolder folder;
  folder.write("install-paths.ini",
               "# scenarios\r\nother=/x\r\n  MyStory = /games/my story \r\nmystory=/second\n"
               "物語=/jp\n");
  const auto file = folder / "install-paths.ini";
  EXPECT_EQ(LookupInstallPath("mystory", file), "/games/my story");
  EXPECT_EQ(LookupInstallPath(Utf8ToCp932("物語"), file), "/jp");
  EXPECT_EQ(LookupInstallPath("absent", file), "");
  EXPECT_EQ(LookupInstallPath("", file), "");
  EXPECT_EQ(LookupInstallPath("mystory", folder / "none.ini"), "");
}

TEST(SettingsInstallPathTest, ConfigurationFolderFollowsXdg) {
  EnvScope home("XDG_CONFIG_HOME", "/cfg/home");
  EXPECT_EQ(InstallPathsFile(), std::filesystem::path("/cfg/home/quillwork/install-paths.ini"));
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_NE(UserConfigFolder().string().rfind("relative", 0), 0u);
}

}  // namespace
}  // namespace qw
