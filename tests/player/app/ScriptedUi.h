#pragma once

#include "player/app/PlayerUi.h"

#include <string>
#include <vector>

// Answers the player without dialogs and remembers what it was told: saves go to savePath (cancelled
// when it is empty), the compressor chosen is codec.
struct ScriptedUi : IPlayerUi {
    std::string savePath;
    std::string codec = "none";
    std::vector<std::string> messages;
    int compressorQuestions = 0;
    bool AskOpenFile(const CString&, const CString&, CString&) override { return false; }
    bool AskSaveFile(const CString&, const CString&, CString& path) override
    {
        path = savePath.c_str();
        return !savePath.empty();
    }
    void ShowMessage(const CString& text, MessageKind) override { messages.push_back(text.str()); }
    bool ChooseCompressor(CompressorSettings& settings) override
    {
        ++compressorQuestions;
        settings.codec = codec;
        return true;
    }
};
