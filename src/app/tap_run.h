// vantrel-test --tap SERVER: the site tap without a window. It watches the
// calls other clients (a point-of-sale, a script, busctl) make to a server
// on D-Bus and prints one line per exchange as it ends:
//
//   10:41:02.118 :1.42 (pid 1234, pos-client) put Authorize = "FuelingPosition=07␍␊…" -> ok (0.4 ms)
//   10:41:02.131 :1.42 (pid 1234, pos-client) get DispenserInformation(7 (int16)) -> "Dispenser=7␍␊…" (0.9 ms)
//   10:41:02.140 :1.43 (pid 1250, busctl) get Nothing() -> error 438: The server has no such … (0.2 ms)
//
// values and results as a script run prints them, card data masked (unless
// --trace-unmasked). --client keeps one client's calls, --trace writes them
// as the traffic trace (each call with its "client"), --save-session as a
// script of raw call lines that makes them again (tap/tap_script.h),
// --capture every message as pcapng. It ends on SIGINT, SIGTERM or after
// --duration (status 0); status 1 when the bus cannot be reached, refuses
// to let it monitor, or goes away, or a file cannot be written whole; 2
// when a file cannot even be created, before anything is watched.
//
// --open-capture FILE does the same with the messages of a capture file
// instead of a bus (the clients named by their unique names alone), and
// says on standard error which blocks of the file it skipped and why.
#pragma once

namespace vantrel {

struct CommandLine;

// Runs the tap or the conversion the command line asks for (--tap or
// --open-capture given and checked); the exit status.
int runTap(const CommandLine& options, int& argc, char** argv);

} // namespace vantrel
