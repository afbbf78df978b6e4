// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The kind of desktop session Vantro runs in, asked in one place so that the rest of the program never has to.
struct Session
{
    enum class Kind
    {
        X11,
        Wayland,
        None // no display (offscreen, tests of non-GUI parts) or a platform we have no backends for
    };

    Kind kind = Kind::None;
    // Why global key detection cannot work here, as a sentence for the user; empty on X11 where it can.
    QString keyDetectionUnavailableReason;

    // Decided from Qt's platform plugin under a GUI application, else from DISPLAY and XDG_SESSION_TYPE.
    // VANTRO_KEY_BACKEND=null (or =portal, for the desktop's shortcuts) turns key detection off whatever the session.
    static Session current();
    // Only the kind, without composing the sentences: for questions asked per clipboard read or key event.
    static Kind currentKind();
};
