#pragma once

// One configuration page on the four views of the full-size model, wired to
// a worker on the virtual keyboard and a profile manager of its own, as the
// main window builds them: the layer-0 view above the page in one shown
// window. The page is built and entered before the keyboard is read, so it
// hears the whole read-back, as in the program.

#include "AppParams.h"
#include "DeviceNotifier.h"
#include "KeyboardController.h"
#include "BoardProfile.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardConfigModel.h"
#include "KeyboardDeck.h"
#include "KeyboardModels.h"
#include "KeyboardSession.h"
#include "ProfileManager.h"
#include "SimRig.h"

#include <QDeadlineTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

template <typename Page>
struct PageRig {
    explicit PageRig(VirtualKeyboard::Options options = SimRig::fastOptions()) : rig(options) {}
    ~PageRig() { page.activate(false); }

    // The views and the page, shown and entered. A fixture sets up what the
    // page needs before it is built (answers, message sinks) first.
    void build()
    {
        auto *layout = new QVBoxLayout(&window);
        QList<KeyboardBaseWgt *> list;
        for (int layer = 0; layer < 4; ++layer) {
            view[layer].reset(createKeyboardView(0, layer));
            view[layer]->activate(true);
            list << view[layer].get();
        }
        layout->addWidget(view[0].get());
        layout->addWidget(&page);
        deck.setViews(list);
        // As the main window wires them.
        QObject::connect(&keyboard, &KeyboardController::keyCodesRead, &deck, &KeyboardDeck::setKeyCodes);
        QObject::connect(&keyboard, &KeyboardController::capabilitiesChanged, &deck,
                         [this](const KeyboardCapabilities &c) { deck.setTravelFormat(c.decimals, c.travel.maximumUm); });
        page.setServices({&keyboard, &manager, &deck});
        page.build();
        window.resize(1150, 800);
        window.show(); // the keys and controls have their places, for clicks and drags
        page.activate(true);
        page.enter();
    }
    // Connects and reads the keyboard; with adopt, the profile in use is then
    // the keyboard's own configuration, as after connecting in the program.
    bool readBack(bool adopt = true)
    {
        const bool ok = rig.readBack(session) && rig.waitIdle();
        config.reset(configFromReadBack(session.readBack()));
        if (adopt)
            manager.AdoptBoardDocument(boardProfileDocument(session.readBack()));
        rig.kb.clearFrameLog();
        return ok;
    }

    // The keyboard's answer to its precision query, as the worker reports
    // it; true once the controller has taken it.
    bool reportTravel(double stepMm, quint16 minimumUm, quint16 maximumUm, int decimals)
    {
        emit rig.worker->reports()->sigKB2PrecisionData(stepMm, minimumUm, maximumUm, decimals);
        const TravelScale want = TravelScale::fromKeyboard(stepMm, minimumUm, maximumUm);
        QDeadlineTimer deadline(20000);
        while (keyboard.capabilities().travel.stepUm != want.stepUm
               || keyboard.capabilities().travel.positions != want.positions) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return true;
    }
    KeyboardBtn *key(int type, int layer = 0) const { return view[layer]->buttonForType(type); }
    int frames() const { return int(rig.sentFrames().size()); }
    static void click(QWidget *w)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
    }

    SimRig rig;
    KeyboardSession session{rig.worker.get()};
    ProfileManager manager;
    ExternalDeviceNotifier notifier;
    KeyboardController keyboard{rig.worker.get(), &notifier, &manager};
    KeyboardConfigModel &config = *keyboard.config();
    KeyboardDeck deck;
    QWidget window;
    std::unique_ptr<KeyboardBaseWgt> view[4];
    Page page; // destroyed first: it leaves the window before the window goes
};
