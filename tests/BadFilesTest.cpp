// The player's view of a world without airways: the menu comes up, and M says why there is no
// mission.
#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/Pty.h"

TEST(BadFiles, WithAMissingGraphFileOrOneWithoutEdgesTheGameRefusesMissionsWithAMessage)
{
    const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface\r\n\r\n";
    const std::string refused =
        "No mission: the airway map \"./Bronchi.gra\" is missing or holds no airways.\r\n"
        "\r\n(Press [ENTER] to continue)\r\n";
    const files::Scratch folder("badfiles");
    for (const bool missing : {true, false}) {
        if (!missing)
            files::write(folder / "Bronchi.gra",
                         "VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 1 1\n0 0 1 1 9\n");
        pty::Process game(ONCORAIDER_BINARY, folder.path());
        for (const auto& [text, key] :
             {std::pair{menuEnd, "m"}, {refused, "\r"}, {menuEnd, "\x1b"}}) {
            ASSERT_TRUE(game.waitFor(text)) << game.output();
            game.send(key);
        }
        EXPECT_EQ(game.waitExit(), 0) << game.output();
        EXPECT_EQ(game.output().find("Error opening file\r\nError opening file\r\n"),
                  missing ? 0 : std::string::npos);
    }
}
