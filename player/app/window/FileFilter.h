#pragma once

#include "platform/CString.h"

#include <QString>

// Turns a filter in the Windows form "Text (*.a)|*.a|All Files (*.*)|*.*||" into Qt's
// "Text (*.a);;All Files (*.*)". Qt reads the patterns from the parentheses of each text, so a text
// without them gets its pattern appended.
QString ToQtFileFilter(const CString& windowsFilter);

// The extension of a Qt filter's first pattern ("MP4 video (*.mp4 *.m4v)" gives "mp4"); empty for "*.*"
// or none.
QString FilterSuffix(const QString& qtFilter);
