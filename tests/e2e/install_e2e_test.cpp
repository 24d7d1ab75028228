// The installed program: `cmake --install` into a staging prefix lays out the program, the
// emulator, the reader library in the program's private directory, the menu entry, the icon,
// the manual pages and the notes; the installed zorvan32 then finds its own library and runs
// a communications test against the emulator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;

class InstallTest : public TE2eTest {};

TEST_F(InstallTest, StagedInstallLaysOutEverythingAndTheProgramFindsItsLibrary) {
  if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  std::string stage = Root + "stage";
  std::string cmd = std::string("'") + ZV_CMAKE_COMMAND + "' --install '" + ZV_BUILD_DIR +
                    "' --prefix '" + stage + "' > '" + Root + "install.log' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadFile(Root + "install.log");
  for (const std::string& f : std::vector<std::string>{
           "bin/zorvan32", "bin/rdremu", ZV_PRIVATE_LIBDIR "/librdrdll32.so",
        "share/applications/zorvan32.desktop", "share/icons/hicolor/16x16/apps/zorvan32.png",
           "share/icons/hicolor/48x48/apps/zorvan32.png",
           "share/icons/hicolor/256x256/apps/zorvan32.png",
           "share/icons/hicolor/scalable/apps/zorvan32.svg",
           "share/metainfo/org.example.zorvan32.metainfo.xml",
           "lib/systemd/user/zorvan32-poll.service", "lib/systemd/user/zorvan32-poll.timer",
        "share/man/man1/zorvan32.1.gz", "share/man/man1/rdremu.1.gz",
        "share/doc/zorvan32/README.md", "share/doc/zorvan32/unattended.md",
        "share/doc/zorvan32/copyright"})
    EXPECT_TRUE(FileExists(stage + "/" + f)) << f;
  // The developers' notes are not an administrator's.
  EXPECT_FALSE(FileExists(stage + "/share/doc/zorvan32/docs/engine.md"));
  EXPECT_THAT(ReadFile(stage + "/lib/systemd/user/zorvan32-poll.service"),
              HasSubstr("\nExecStart=zorvan32 P\n"));
  std::string desktop = ReadFile(stage + "/share/applications/zorvan32.desktop");
  EXPECT_THAT(desktop, HasSubstr("\nExec=zorvan32\n"));
  EXPECT_THAT(desktop, HasSubstr("\nIcon=zorvan32\n"));

  // A loopback address of this test process alone.
  int pid = static_cast<int>(getpid());
  std::string addr = "127." + std::to_string(200 + pid % 50) + "." +
                     std::to_string(pid / 50 % 250 + 1) + ".1";
  for (const std::vector<std::string>& verb :
       {std::vector<std::string>{"init", State},
        {"add-site", State, "--site", "1", "--tcp", addr + ":3001"},
        {"add-reader", State, "--site", "1", "--addr", "1", "--model", "2", "--memory", "1"}})
    ASSERT_EQ(Emu(verb).exitCode, 0);
  ASSERT_TRUE(StartEmulator());
  WriteSites({"1, , , , , , 0, " + addr + ", staged"});
  WriteClocks({"1, 1"});
  TRunResult r = RunZorvan({"X"}, 40, stage + "/bin/zorvan32");
  EXPECT_FALSE(r.timedOut) << r.err;
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_THAT(CommandLineLog(), HasSubstr("Site 1, Clock 1: Model ZV4K, Medium 256K\r\n"
                                          "Site 1, Clock 1: responded.\r\n"));
}

}  // namespace
}  // namespace zv::e2e
