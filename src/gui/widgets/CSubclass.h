#pragma once

// Watches chosen messages of widgets, before and/or after the widget's own handling, and hands
// them to an ISubclass. One event filter per widget keeps the objects that watch it in a chain,
// newest first; each passes on to the one installed before it, the last to the widget itself.
//
// Qt events arrive as Windows message numbers (Wm:: below). Mouse messages carry what Windows
// carries: wParam = Mk:: flags of the buttons held after the event plus Shift/Control,
// lParam = Wm::makeLParam(x, y) in widget pixels (signed 16 bits each; read back with Wm::xOf and
// Wm::yOf). The rest:
//   0x05 Resize       wParam 0, lParam makeLParam(width, height)
//   0x03 Move         wParam 0, lParam makeLParam(x, y) in the parent
//   0x07/0x08 FocusIn/FocusOut, 0x10 Close: wParam 0, lParam the QEvent*
//   0x0A EnabledChange wParam 1 enabled / 0 disabled, lParam the QEvent*
//   0x0F Paint        wParam 0, lParam the QPaintEvent*; an after-callback may paint on the widget.
//                     There is no non-client area (no 0x85): draw frames after 0x0F.
//   0x18 Show/Hide    wParam 1 shown / 0 hidden, lParam the QEvent*
//   0x7B ContextMenu  wParam 0, lParam makeLParam(global x, global y)
//   0x100/0x101 KeyPress/KeyRelease  wParam the Qt::Key (not a virtual-key code), lParam the QKeyEvent*
//   0x113 Timer       wParam the timer id, lParam the QTimerEvent*
//   0x20A/0x20E Wheel vertical/horizontal  wParam Mk:: flags | (delta << 16), 120 per notch;
//                     lParam makeLParam(global x, global y), as Windows gives screen coordinates
//   0x2A3 Leave       wParam 0, lParam 0 (Qt sends it on every leave; no tracking request needed)
//   any other Qt event: Wm::QtEventBase + QEvent::type(), wParam 0, lParam the QEvent*
// Qt passes moves without a button held only to widgets with mouseTracking on: watchers of 0x200 turn it on.
// Mouse, wheel, key and context-menu events of a disabled widget are not messages, since a disabled
// window gets no input; Qt drops them as usual. CSubclass::CurrentEvent() gives the QEvent being
// dispatched when lParam holds packed values.
//
// Messages of our own (for example 0x2B WM_DRAWITEM, which a list sends to ask for a row) travel as
// CSubclass::MessageEvent: send one with CSubclass::SendMessage(widget, uMsg, wParam, lParam); its
// result is lReturn. A widget may answer it itself by handling MessageEvent in event().
//
// Results: for Qt events lReturn is the event's acceptance (1 accepted, 0 ignored). After the widget's
// own handling it is 1 when event() returned true and accepted the event; whatever a callback leaves
// in it is written back, so a swallowed mouse event with lReturn 0 is ignored and Qt offers it to the
// parent, while lReturn 1 keeps it. For a MessageEvent lReturn is its result field.
//
// "The widget's own handling" is its event(); for the viewport of a QAbstractScrollArea it is the
// scroll area's viewportEvent() first, as Qt does. Event filters installed on the widget before the
// first CSubclass are skipped for messages that someone watches after the widget or that a callback
// swallows; every other event is left to Qt's ordinary delivery.

#include "gui/widgets/ISubclass.h"

#include <QEvent>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace Wm {
constexpr int Null = 0x0000;
constexpr int Move = 0x0003;
constexpr int Size = 0x0005;
constexpr int SetFocus = 0x0007;
constexpr int KillFocus = 0x0008;
constexpr int Enable = 0x000A;
constexpr int Paint = 0x000F;
constexpr int Close = 0x0010;
constexpr int ShowWindow = 0x0018;
constexpr int DrawItem = 0x002B;
constexpr int NcPaint = 0x0085;
constexpr int ContextMenu = 0x007B;
constexpr int KeyDown = 0x0100;
constexpr int KeyUp = 0x0101;
constexpr int Timer = 0x0113;
constexpr int MouseMove = 0x0200;
constexpr int LButtonDown = 0x0201;
constexpr int LButtonUp = 0x0202;
constexpr int LButtonDblClk = 0x0203;
constexpr int RButtonDown = 0x0204;
constexpr int RButtonUp = 0x0205;
constexpr int RButtonDblClk = 0x0206;
constexpr int MButtonDown = 0x0207;
constexpr int MButtonUp = 0x0208;
constexpr int MButtonDblClk = 0x0209;
constexpr int MouseWheel = 0x020A;
constexpr int XButtonDown = 0x020B;
constexpr int XButtonUp = 0x020C;
constexpr int XButtonDblClk = 0x020D;
constexpr int MouseHWheel = 0x020E;
constexpr int MouseLeave = 0x02A3;
constexpr int User = 0x0400;
// Qt events without a Windows counterpart: QtEventBase + QEvent::type().
constexpr int QtEventBase = 0x10000;

constexpr qintptr makeLParam(int lo, int hi)
{
    return qintptr(quint32(quint16(lo)) | (quint32(quint16(hi)) << 16));
}
constexpr int xOf(qintptr lParam)
{
    return qint16(quint16(quint32(lParam) & 0xFFFF));
}
constexpr int yOf(qintptr lParam)
{
    return qint16(quint16(quint32(lParam) >> 16));
}
constexpr int keysOf(qintptr wParam)
{
    return int(quint32(wParam) & 0xFFFF);
}
constexpr int wheelDeltaOf(qintptr wParam)
{
    return qint16(quint16(quint32(wParam) >> 16));
}
} // namespace Wm

// Key-state flags of mouse messages (low word of wParam).
namespace Mk {
constexpr int LButton = 0x0001;
constexpr int RButton = 0x0002;
constexpr int Shift = 0x0004;
constexpr int Control = 0x0008;
constexpr int MButton = 0x0010;
constexpr int XButton1 = 0x0020;
constexpr int XButton2 = 0x0040;
} // namespace Mk

class CSubclass {
public:
    enum When { MSG_BEFORE = 1, MSG_AFTER = 2, MSG_BEFORE_AND_AFTER = 3 };
    static constexpr int ALL_MESSAGES = -1;
    static constexpr int MSG_ENTRIES = 32;

    // A message that has no Qt event of its own.
    class MessageEvent : public QEvent {
    public:
        MessageEvent(int uMsg, qintptr wParam, qintptr lParam);
        static QEvent::Type eventType();

        int uMsg;
        qintptr wParam;
        qintptr lParam;
        qintptr result = 0;
    };

    CSubclass();
    ~CSubclass();
    CSubclass(const CSubclass&) = delete;
    CSubclass& operator=(const CSubclass&) = delete;

    // bIdeSafety is accepted and ignored: there is no debugger run mode to guard against here.
    bool Subclass_Start(QWidget* lhWnd, ISubclass* oCallback, qintptr lParamUser = 0, bool bIdeSafety = true);
    // uMsg ALL_MESSAGES asks for every message; for Subclass_DelMsg it empties the table.
    void Subclass_AddMsg(QWidget* lhWnd, int uMsg, When eWhen = MSG_AFTER);
    void Subclass_DelMsg(QWidget* lhWnd, int uMsg, When eWhen = MSG_AFTER);
    // Hands the message to what was in place before this object: older watchers, then the widget.
    // Inside a callback, the message being dispatched reuses its own event; otherwise mouse and leave
    // messages are rebuilt as Qt events and anything else travels as a MessageEvent.
    qintptr CallOldWndProc(QWidget* lhWnd, int uMsg, qintptr wParam, qintptr lParam);
    // From inside a callback the removal waits until the current message has gone through; no
    // callback of this object for lhWnd runs after UnsubClass returns.
    void UnsubClass(QWidget* lhWnd);
    void Terminate();
    // Qt sends a leave event on every leave; kept so callers read like their Windows counterparts.
    static void TrackMouseTracking(QWidget* lhWnd);
    qintptr p_ParamUser(QWidget* lhWnd);
    void setP_ParamUser(QWidget* lhWnd, qintptr lParamUser);

    // Sends a message as a MessageEvent through lhWnd's watchers and the widget; the result is lReturn.
    static qintptr SendMessage(QWidget* lhWnd, int uMsg, qintptr wParam, qintptr lParam);
    // The message number of a Qt event delivered to w, as described at the top; false when it is none.
    static bool Translate(const QEvent* event, const QWidget* w, int& uMsg, qintptr& wParam, qintptr& lParam);
    // The event being dispatched to callbacks right now (innermost), or nullptr.
    static QEvent* CurrentEvent();

    // Reports go to syslog as error entries; tests may collect them instead. An empty sink restores syslog.
    using ReportSink = std::function<void(const QString&)>;
    static void setReportSink(ReportSink sink);

    struct Stub;

private:
    friend class SubclassChain;

    std::shared_ptr<Stub> mapHandle(QWidget* lhWnd);
    void forget(QWidget* lhWnd);
    static void report(const char* routine, const QString& text);

    bool m_started = false;
    // In the order of Subclass_Start; Terminate works from the back.
    std::vector<std::shared_ptr<Stub>> m_stubs;
};
