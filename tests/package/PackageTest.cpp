// The Debian package that the test Package.Build makes, as Debian's tools and a player see it:
// lintian, its control fields, its files, and the game started through its launcher.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/Files.h"
#include "support/Pty.h"
#include "support/XTools.h"

namespace fs = std::filesystem;
using files::quoted;

namespace {

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";

// Standard output and error together.
std::string said(const std::string& command) { return xtools::run("(" + command + ") 2>&1 | cat"); }

struct Package : ::testing::Test {
    void SetUp() override
    {
        ASSERT_EQ(said("dpkg-deb -x " + quoted(deb) + " " + quoted(root)), "")
            << "the package in " ONCORAIDER_PACKAGE_DIR;
    }

    const std::string deb = xtools::run("ls " + quoted(ONCORAIDER_PACKAGE_DIR) +
                                        "/oncoraider_" ONCORAIDER_VERSION "_*.deb | tr -d '\\n'");
    files::Scratch scratch{"package"};
    // A space in the path catches a launcher that splits its own location.
    const fs::path root = scratch / "unpacked root";
};

TEST_F(Package, LintianFindsNoErrorAndEveryWarningLeftIsExplainedInTheDocs)
{
    const std::string lint = said("lintian " + quoted(deb) + "; echo exit $?");
    EXPECT_EQ(lint.substr(lint.rfind("exit ")), "exit 0\n") << lint;  // fails on an error
    const std::string explained = files::read(ONCORAIDER_SOURCE_DIR "/docs/packaging.md");
    std::string unexplained;
    std::istringstream words(lint);  // a warning: "W: package: tag details"
    for (std::string word, package, tag; words >> word;)
        if (word == "W:" && words >> package >> tag &&
            explained.find("`" + tag + "`") == std::string::npos)
            unexplained += tag + " ";
    EXPECT_EQ(unexplained, "") << lint;
}

TEST_F(Package, ControlAndDesktopFilesAreValidAndNameTheLibrariesVersionLauncherAndIcons)
{
    const std::string depends = xtools::run("dpkg-deb -f " + quoted(deb) + " Depends");
    for (const char* library : {"libc6 ", "libstdc++6 ", "libglut", "libglu1", "libx11-6"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    // Removing or upgrading the game runs nothing that could reach a player's table.
    EXPECT_EQ(xtools::run("dpkg-deb --ctrl-tarfile " + quoted(deb) + " | tar t | sort"),
              "./control\n./md5sums\n");
    EXPECT_EQ(xtools::run("dpkg-deb -f " + quoted(deb) + " Version"), ONCORAIDER_VERSION "\n");
    const fs::path changelog = root / "usr/share/doc/oncoraider/changelog.gz";
    EXPECT_EQ(xtools::run("zcat " + quoted(changelog) + " | dpkg-parsechangelog -l - -S Version"),
              ONCORAIDER_VERSION "\n");

    const std::string page = quoted(root / "usr/share/man/man6/oncoraider.6.gz");
    // As lintian asks man: warnings on standard error.
    EXPECT_EQ(said("man --warnings -E UTF-8 -l -Tutf8 -Z " + page + " >/dev/null"), "");
    EXPECT_EQ(xtools::run("man -l " + page + " | head -c 13"), "ONCORAIDER(6)");

    const fs::path entry = root / "usr/share/applications/oncoraider.desktop";
    EXPECT_EQ(said("desktop-file-validate " + quoted(entry)), "");
    const std::string fields = files::read(entry);
    EXPECT_NE(fields.find("\nExec=/usr/games/oncoraider\n"), std::string::npos) << fields;
    EXPECT_NE(fields.find("\nIcon=oncoraider\n"), std::string::npos) << fields;
    EXPECT_EQ(xtools::run("cd " + quoted(root / "usr/share/icons/hicolor") + " && identify "
                          "-format '%wx%h ' 256x256/apps/oncoraider.png 48x48/apps/oncoraider.png"),
              "256x256 48x48 ");
}

// Started from another folder with a fresh home: the game runs in the XDG data folder, where the
// world file is refreshed at every start and the table stays as the game left it.
TEST_F(Package, LauncherRunsTheGameInThePlayersDataFolderAndPassesItsArgumentsOn)
{
    const fs::path home = scratch / "home";
    const fs::path elsewhere = home / "elsewhere";
    const fs::path folder = home / ".local/share/oncoraider";
    fs::create_directories(elsewhere);
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    const auto showsTable = [&](const std::string& table) {
        pty::Process game(root / "usr/games/oncoraider", elsewhere);
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
        game.send("h");
        EXPECT_TRUE(game.waitFor("Highscores:\r\n-----------\r\n" + table)) << game.output();
        game.send("\x1b");
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
        game.send("\x1b");
        EXPECT_EQ(game.waitExit(), 0) << game.output();
    };
    const std::string installedWorld = files::read(root / "usr/share/games/oncoraider/Bronchi.gra");

    showsTable("1: - (0)\r\n2: - (0)\r\n");
    EXPECT_EQ(files::read(folder / "Bronchi.gra"), installedWorld);
    EXPECT_TRUE(fs::is_empty(elsewhere));

    // As a mission's save leaves the table; the world file of an older version.
    const std::string table = "ann 1200\nbob 900\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n";
    files::write(folder / "highscores.vxr", table);
    files::write(folder / "Bronchi.gra", "stale\n");
    showsTable("1: ann (1200)\r\n2: bob (900)\r\n3: - (0)\r\n");
    EXPECT_EQ(files::read(folder / "highscores.vxr"), table);
    EXPECT_EQ(files::read(folder / "Bronchi.gra"), installedWorld);

    // A stand-in game, reached through a symbolic link as from a ~/bin, says where it runs and
    // what it was given: the files of the replay options made absolute, the rest as they were.
    files::write(root / "usr/lib/games/oncoraider/oncoraider",
                 "#!/bin/sh\npwd\nprintf '[%s]' \"$@\"\n");
    fs::create_symlink(root / "usr/games/oncoraider", home / "link");
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    const std::string from = elsewhere.string() + "/";
    EXPECT_EQ(xtools::run("cd " + quoted(elsewhere) + " && ../link --record a.rec --replay=b/c.rec "
                          "--verify 'd e' --verify=f --record /g -display :0 'h i' '' --help "
                          "--record= --replay"),
              scratch / "data/oncoraider\n[--record][" + from + "a.rec][--replay=" + from +
                  "b/c.rec][--verify][" + from + "d e][--verify=" + from + "f][--record][/g]"
                  "[-display][:0][h i][][--help][--record=][--replay]");
}

}  // namespace
