// Process entry: picks the initial show state from the command line, prepares the host
// library and the search path, and hands over to the engine, whose result is the exit code.
// The launcher reports nothing and checks no result of the host library.
#include <windows.h>

#include "server_dir.h"
#include "show_state.h"
#include "tamix.h"
#include "zentaeng.h"

namespace {

// Program identity handed to the host.
const char kProgramName[] = "ZENTA";

// Identifier of the application's type library, {8E14B6D0-2C7A-11D0-9F35-00A0C98D4E21}.
const GUID kTypeLibraryId = {0x8E14B6D0, 0x2C7A, 0x11D0,
                             {0x9F, 0x35, 0x00, 0xA0, 0xC9, 0x8D, 0x4E, 0x21}};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState)
{
    // Lower-case copy for the option search only; it lives until the engine has returned.
    Text lowered(commandLine);
    lowered = lowered.Lower();
    const int initialShow = zenta::PickShowState(lowered, showState);

    SetProgramName(kProgramName, nullptr);
    pFPEnv()->BreakOnFloatingPointException(0);
    SetTypeLibraryID(kTypeLibraryId);

    PrependServerDirectoryToPath();

    // First call of a delay-loaded function: zentaeng.dll is looked for only now, on the
    // extended search path. If it cannot be found, the loader's exception ends the process.
    return LoadZENTAApplication(instance, previous, commandLine, initialShow);
}
