#pragma once

#include <QWidget>

// The about box.
// UNBUILT: its picture, texts and links; today only the window itself exists.
class GyTabrazo : public QWidget {
    Q_OBJECT
public:
    explicit GyTabrazo(QWidget* parent = nullptr);

    void Form_Load() { }
};
