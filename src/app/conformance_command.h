// vantrel-test --conformance SERVER: the shipped conformance suite run
// headless against a server, with its summary line, its HTML page
// (--report) and its JUnit report (--junit).
#pragma once

namespace vantrel {

struct CommandLine;

// Exit status 0 when every check held, 1 when one failed or a report could
// not be written, 2 when the run cannot start (an unknown server, no suite,
// an output that is no regular file), with the reason on standard error.
int runConformanceCommand(const CommandLine& options, int argc, char** argv);

} // namespace vantrel
