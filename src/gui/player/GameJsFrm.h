#pragma once

#include <QWidget>

// The small skinned window with the details of the game selected last.
// UNBUILT: its controls, skin and commands; today only the window itself exists.
class GameJsFrm : public QWidget {
    Q_OBJECT
public:
    explicit GameJsFrm(QWidget* parent = nullptr);

    void Form_Load() { }
};
