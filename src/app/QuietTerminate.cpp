// The setup program's std::terminate: ends the process at once.
//
// The C++ runtime's default handler writes the name of the active exception to the standard
// error stream, which a GUI program does not have, and brings the runtime's symbol demangler
// along (about 45 KB of the program). Defining the handler here keeps both out.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx
