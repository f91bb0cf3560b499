#include "player/app/window/CPlayerApp.h"

int main(int argc, char** argv)
{
    if (std::optional<int> status = CPlayerApp::AnswerWithoutWindow(argc, argv))
        return *status;
    CPlayerApp app(argc, argv);
    return app.Run();
}
