#pragma once

#include <QPointer>

class QWidget;
class FormMain;
class FlashFrm;
class MuenFrm;
class GameJsFrm;
class TabrazoUpdateFm;
class GyTabrazo;
class TabrazoSz;

// Owns the secondary windows: each is created, loaded hidden, the first time anything asks for it
// and stays until it is unloaded. Only the shell knows every window: the windows talk through
// typed methods and signals, and the registry connects those signals where it creates a window.
class Forms {
public:
    FormMain* formMain() const;
    void setFormMain(FormMain* window);

    FlashFrm* flashFrm();
    MuenFrm* muenFrm();
    GameJsFrm* gameJsFrm();
    TabrazoUpdateFm* tabrazoUpdateFm();
    GyTabrazo* gyTabrazo();
    TabrazoSz* tabrazoSz();

    // Without loading: null when the window was never touched or has been unloaded.
    FlashFrm* loadedFlashFrm() const;
    MuenFrm* loadedMuenFrm() const;
    GameJsFrm* loadedGameJsFrm() const;
    TabrazoUpdateFm* loadedTabrazoUpdateFm() const;
    GyTabrazo* loadedGyTabrazo() const;
    TabrazoSz* loadedTabrazoSz() const;

    // Closes a window from code; false when the window refused (the updater may ask the user).
    static bool unload(QWidget* window);

private:
    QPointer<FormMain> main;
    QPointer<FlashFrm> flash;
    QPointer<MuenFrm> muen;
    QPointer<GameJsFrm> gameJs;
    QPointer<TabrazoUpdateFm> update;
    QPointer<GyTabrazo> about;
    QPointer<TabrazoSz> settings;
};

Forms& forms();
