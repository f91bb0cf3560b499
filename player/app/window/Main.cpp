#include "player/app/window/CPlayerApp.h"

int main(int argc, char** argv)
{
    if (std::optional<int> status = CPlayerApp::AnswerWithoutWindow(argc, argv))
        return *status;
    CPlayerApp::CatchStartFailure(true);
    CPlayerApp app(argc, argv);
    CPlayerApp::CatchStartFailure(false);
    return app.Run();
}
