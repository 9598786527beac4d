#pragma once

#include "gui/widgets/CSubclass.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

// Skinned push button: shows one of four pictures by state and raises Click when the left button
// is released over it. Learns that the pointer left through its CSubclass (leave, before-table).
class ButtonEx : public QWidget, public ISubclass {
    Q_OBJECT
    Q_PROPERTY(QPixmap Picture1 READ Picture1 WRITE setPicture1)
    Q_PROPERTY(QPixmap Picture2 READ Picture2 WRITE setPicture2)
    Q_PROPERTY(QPixmap Picture3 READ Picture3 WRITE setPicture3)
    Q_PROPERTY(QPixmap Picture4 READ Picture4 WRITE setPicture4)
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setButtonEnabled)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)

public:
    enum State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

    explicit ButtonEx(QWidget* parent = nullptr);
    ~ButtonEx() override;

    QPixmap Picture1() const { return m_pictures[Normal]; }
    QPixmap Picture2() const { return m_pictures[Hover]; }
    QPixmap Picture3() const { return m_pictures[Pressed]; }
    QPixmap Picture4() const { return m_pictures[Disabled]; }
    void setPicture1(const QPixmap& picture) { setPicture(Normal, picture); }
    void setPicture2(const QPixmap& picture) { setPicture(Hover, picture); }
    void setPicture3(const QPixmap& picture) { setPicture(Pressed, picture); }
    void setPicture4(const QPixmap& picture) { setPicture(Disabled, picture); }

    // While true (and enabled) the pressed picture shows whatever the pointer does.
    bool Value() const { return m_value; }
    void setValue(bool value);

    // Unlike QWidget::setEnabled, also resets the display state when the value does not change.
    void setButtonEnabled(bool enabled);

    // For the few buttons whose picture carries no text; drawn centred over the picture.
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    QWidget* hWnd() { return this; }
    State displayState() const { return m_state; }

    QSize sizeHint() const override;

signals:
    void Click();
    void OnMouseUp(short Button, short Shift, float X, float Y);
    void OnMouseDown(short Button, short Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

    void WndProc(bool bBefore, bool& bHandled, qintptr& lReturn, QWidget* lhWnd, int uMsg, qintptr wParam,
        qintptr lParam, qintptr& lParamUser) override;

private:
    void setPicture(State slot, const QPixmap& picture);
    void setState(State state);
    void applyEnabled();

    QPixmap m_pictures[4];
    QString m_caption;
    bool m_value = false;
    State m_state = Normal;
    short m_lastButton = 0;
    CSubclass m_subclass;
};
