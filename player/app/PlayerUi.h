#pragma once

#include "platform/CString.h"
#include "player/imaging/video/CompressorSettings.h"

// How the player reaches its user. The window answers with dialogs; the command-line tool and the tests
// answer without any.
class IPlayerUi {
public:
    enum class MessageKind { Plain, Information, Error };

    virtual ~IPlayerUi() = default;
    // Filters are written "Text (*.ext)|*.ext|...||". False when the user cancels.
    virtual bool AskOpenFile(const CString& filter, const CString& defaultExtension, CString& path) = 0;
    // Asks before replacing an existing file.
    virtual bool AskSaveFile(const CString& filter, const CString& defaultExtension, CString& path) = 0;
    virtual void ShowMessage(const CString& text, MessageKind kind) = 0;
    // settings hold the previous choice on entry; false when cancelled.
    virtual bool ChooseCompressor(CompressorSettings& settings) = 0;
};
