#pragma once

#include <QtGlobal>

class QWidget;

// Callback of CSubclass: called for the messages an object asked for, before and/or after the
// widget's own handling. See CSubclass.h for the message numbers and what wParam/lParam carry.
class ISubclass {
public:
    virtual ~ISubclass() = default;

    // bBefore: true before the widget's own handling, false after it.
    // bHandled: set true in a before-call to swallow the message; the widget never sees it and
    //           lReturn is the result. Ignored in an after-call.
    // lReturn: the message result; 0 in a before-call, the widget's result in an after-call.
    // lParamUser: the value stored with Subclass_Start for this widget; may be changed.
    virtual void WndProc(bool bBefore, bool& bHandled, qintptr& lReturn, QWidget* lhWnd, int uMsg, qintptr wParam,
        qintptr lParam, qintptr& lParamUser)
        = 0;
};
