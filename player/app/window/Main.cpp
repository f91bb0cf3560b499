#include "player/app/window/CPlayerApp.h"

int main(int argc, char** argv)
{
    CPlayerApp app(argc, argv);
    return app.Run();
}
