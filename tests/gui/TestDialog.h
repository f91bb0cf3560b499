#pragma once

// The main window with its questions answered by the test instead of by Qt dialogs.
#include "particle/core/CMorvane.h"
#include "particle/core/IConstraint.h"
#include "particle/core/ParticleSystem.h"
#include "player/app/window/CPlayerDialog.h"

#include <string>
#include <utility>
#include <vector>

class TestDialog : public CPlayerDialog {
public:
    bool AskOpenFile(const CString&, const CString&, CString& path) override
    {
        asked.push_back({ "open", IsTicking() });
        path = openAnswer;
        return !openAnswer.IsEmpty();
    }
    bool AskSaveFile(const CString&, const CString&, CString& path) override
    {
        asked.push_back({ "save", IsTicking() });
        path = saveAnswer;
        return !saveAnswer.IsEmpty();
    }
    void ShowMessage(const CString& text, MessageKind kind) override
    {
        asked.push_back({ "message", IsTicking() });
        messages.push_back({ text, kind });
    }
    bool ChooseCompressor(CompressorSettings& settings) override
    {
        asked.push_back({ "compressor", IsTicking() });
        if (!chooseUncompressed)
            return false;
        settings.codec = "none";
        return true;
    }

    bool AskSeed(QString& text) override
    {
        asked.push_back({ "seed", IsTicking() });
        text = seedAnswer;
        return true;
    }

    // Empty: the user cancels.
    CString openAnswer;
    QString seedAnswer;
    CString saveAnswer;
    bool chooseUncompressed = false;

    struct Question {
        std::string what;
        bool ticking; // whether the animation ran while it was asked
    };
    std::vector<Question> asked;
    std::vector<std::pair<CString, MessageKind>> messages;
};

inline int particleCount(CPlayerDialog& window)
{
    return window.Player().GetHost().getParticleSystem()->particles.getParticleCount();
}

inline CString factoryParameters(CPlayerDialog& window)
{
    return window.Player().GetHost().getParticleSystem()->getPartFactoryClass()->getParameterExample();
}
