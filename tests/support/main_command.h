#pragma once
// A command a test binary runs instead of its tests, for a test that needs
// a process of its own: "BINARY FLAG ARGS..." runs the command registered
// for FLAG (after the binary's Qt application is made) and ends with its
// status. A test source registers one with a static object:
//   static const vantrel::test::MainCommand probe{"--probe", runProbe};

namespace vantrel::test {

using MainCommandRun = int (*)(int argc, char** argv);

struct MainCommand {
    MainCommand(const char* flag, MainCommandRun run);
};

} // namespace vantrel::test
