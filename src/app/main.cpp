#include "app/Application.h"
#include "app/TestHook.h"

int main(int argc, char **argv)
{
    // Only with VELMORA_TEST_HOOK set: the desktop tests' read-only state socket.
    velmora::app::TestHook::installIfAsked();
    return velmora::app::run(argc, argv);
}
