// Every control a user can reach, on every page and in every window the
// configurator opens, has a name that assistive technology can read: what
// it shows, or for an icon what it does. List, table and tree entries too.

#include "AdvanceTypeChooseWindow.h"
#include "BindItemWgt.h"
#include "ColorChooseWgt.h"
#include "DKSSetWindow.h"
#include "DeviceLifecycle.h"
#include "DeviceNotifier.h"
#include "ENDSetWindow.h"
#include "FileListWgt.h"
#include "HidBackend.h"
#include "IAPFirmwareWindow.h"
#include "KeyChooseWgt.h"
#include "KeyQuickTouchWindow.h"
#include "KeyTouchDisSetWindow.h"
#include "KeyboardAction.h"
#include "MPTSetWindow.h"
#include "MTSetWindow.h"
#include "MacroFile.h"
#include "MacroManageWindow.h"
#include "MacroSetWindow.h"
#include "MainWindow.h"
#include "PopWindow.h"
#include "ProfileFile.h"
#include "ProfileManager.h"
#include "QueuedSpy.h"
#include "RSSetWindow.h"
#include "SOCDSetWindow.h"
#include "ShellResources.h"
#include "SystemConfig.h"
#include "TGLSetWindow.h"
#include "TouchDisModifyWindow.h"
#include "UserMessage.h"
#include "VirtualHidBackend.h"
#include "WindowRig.h"
#include "inputWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QButtonGroup>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Controls drawn by us that take clicks or drags like a standard control.
bool isOwnControl(const QWidget *w)
{
    return w->inherits("SwitchControl") || w->inherits("ColorWheel");
}

// Parts of Qt's composite controls that the composite itself names.
bool isQtInternal(const QWidget *w)
{
    if (w->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<const QScrollBar *>(w)
        || qobject_cast<const QHeaderView *>(w) || w->inherits("QTableCornerButton"))
        return true;
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<QComboBox *>(p) || qobject_cast<QAbstractSpinBox *>(p))
            return true;
    return false;
}

bool isInteractive(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w)
           || qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QAbstractSlider *>(w)
           || qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractItemView *>(w) || isOwnControl(w);
}

QString spokenName(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name).trimmed() : QString();
}

// Where a widget sits, for the failure message.
QString describe(QWidget *w)
{
    QStringList path;
    for (QWidget *p = w; p; p = p->parentWidget()) {
        QString part = QString::fromLatin1(p->metaObject()->className());
        if (!p->objectName().isEmpty())
            part += QLatin1Char('#') + p->objectName();
        path.prepend(part);
    }
    QString shown;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        shown = b->toolTip();
    else
        shown = w->toolTip();
    return path.join(QLatin1String(" > ")) + (shown.isEmpty() ? QString() : QStringLiteral(" (tool tip \"%1\")").arg(shown));
}

void checkEntries(QAbstractItemView *view, const QModelIndex &parent, QStringList *out)
{
    QAbstractItemModel *model = view->model();
    if (!model)
        return;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        for (int column = 0; column < model->columnCount(parent); ++column) {
            const QModelIndex index = model->index(row, column, parent);
            QString name = index.data(Qt::AccessibleTextRole).toString();
            if (name.trimmed().isEmpty())
                name = index.data(Qt::DisplayRole).toString();
            if (name.trimmed().isEmpty())
                out->append(QStringLiteral("%1: entry %2,%3").arg(describe(view)).arg(row).arg(column));
            if (column == 0 && model->hasChildren(index))
                checkEntries(view, index, out);
        }
    }
}

// Whether a user can get to the widget: nothing between it and root is
// hidden, but for the pages of a stack, each of which can be brought up.
bool reachable(const QWidget *w, const QWidget *root)
{
    for (const QWidget *p = w; p && p != root; p = p->parentWidget()) {
        if (p->isHidden() && !qobject_cast<QStackedWidget *>(p->parentWidget()))
            return false;
    }
    return true;
}

// Every control a user can reach under root without a name, and every
// nameless entry of its lists.
QStringList nameless(QWidget *root)
{
    QStringList out;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (!isInteractive(w) || isQtInternal(w) || !reachable(w, root))
            continue;
        if (spokenName(w).isEmpty())
            out << describe(w);
        if (auto *view = qobject_cast<QAbstractItemView *>(w))
            checkEntries(view, view->rootIndex(), &out);
    }
    return out;
}

// The main window on the virtual keyboard, in a fresh working folder that
// holds a profile, a damaged profile and a macro; every question is answered no.
struct Rig : WindowRig {
    Rig()
        : WindowRig(0, false, [] {
              QDir().mkpath(ProfileManager::profileFolder());
              writeProfileFile(ProfileManager::profileFolder() + "/游戏.kb", defaultProfileDocument());
              QFile broken(ProfileManager::profileFolder() + "/broken.kb");
              if (broken.open(QIODevice::WriteOnly))
                  broken.write("not a profile");
              broken.close();
              QDir().mkpath(macroFolderPath());
              MACRO_Key down, up;
              down.keyName = up.keyName = "A";
              up.down = false;
              down.delay = up.delay = 20;
              writeMacroFile(macroFolderPath() + "/连招.csv", {down, up});
          })
    {
        answer = false;
    }
};

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { corvaneInitResources(); }
    void everyControlHasAName();
};

void TestAccessibility::everyControlHasAName()
{
    Rig rig;
    MainWindow &w = *rig.window;
    w.resize(1400, 900);
    w.show();
    QVERIFY(rig.connected());

    QStringList missing;
    auto walk = [&missing](const QString &where, QWidget *root) {
        for (const QString &m : nameless(root))
            missing << where + ": " + m;
    };

    // Every page, entered through the page menu as a user would.
    QButtonGroup *pages = nullptr;
    for (QButtonGroup *g : w.findChildren<QButtonGroup *>())
        if (g->button(0) && g->button(0)->objectName() == "menuBtn")
            pages = g;
    QVERIFY(pages);
    QCOMPARE(pages->buttons().size(), 4);
    for (QAbstractButton *b : pages->buttons()) {
        b->click();
        QCoreApplication::processEvents();
        walk(QStringLiteral("page %1").arg(b->text()), &w);
    }
    // The lists had entries to check.
    QVERIFY(w.profileList()->entryCount() >= 2);
    // Each binding is read out as the key, its kind and the keys it sends.
    int bindings = 0;
    for (QListWidget *list : w.findChildren<QListWidget *>()) {
        if (list->accessibleName() != "当前绑定值")
            continue;
        for (int row = 0; row < list->count(); ++row, ++bindings) {
            auto *entry = qobject_cast<BindItemWgt *>(list->itemWidget(list->item(row)));
            QVERIFY(entry);
            QCOMPARE(list->item(row)->data(Qt::AccessibleTextRole).toString(),
                     entry->keyText().replace('\n', ' ') + "，" + entry->kindText() + "，" + entry->boundText());
        }
    }
    QVERIFY(bindings > 0);

    // The windows the configurator opens.
    walk("settings", w.openFirmwareDialog(QStringLiteral("1.0.0"), false));
    walk("program settings", w.openSettingsDialog());
    const QString macros = macroFolderPath();
    std::vector<std::pair<QString, std::unique_ptr<QWidget>>> windows;
    QString name;
    windows.emplace_back("name prompt", std::make_unique<inputWindow>(&name, &w));
    windows.emplace_back("confirm window", std::make_unique<PopWindow>(&w));
    windows.emplace_back("macro window", std::make_unique<MacroManageWindow>(macros, &w));
    windows.emplace_back("key picker", std::make_unique<KeyChooseWgt>(nullptr));
    windows.emplace_back("colour chooser", std::make_unique<ColorChooseWgt>(nullptr));
    windows.emplace_back("advanced kinds", std::make_unique<AdvanceTypeChooseWindow>(&w));
    windows.emplace_back("DKS editor", std::make_unique<DKSSetWindow>(&w));
    windows.emplace_back("MT editor", std::make_unique<MTSetWindow>(&w));
    windows.emplace_back("TGL editor", std::make_unique<TGLSetWindow>(&w));
    windows.emplace_back("MPT editor", std::make_unique<MPTSetWindow>(&w));
    windows.emplace_back("END editor", std::make_unique<ENDSetWindow>(&w));
    windows.emplace_back("SOCD editor", std::make_unique<SOCDSetWindow>(&w));
    windows.emplace_back("RS editor", std::make_unique<RSSetWindow>(&w));
    windows.emplace_back("macro editor", std::make_unique<MacroSetWindow>(&w, macros));
    windows.emplace_back("travel editor", std::make_unique<TouchDisModifyWindow>(&w));
    windows.emplace_back("key travel", std::make_unique<KeyTouchDisSetWindow>(&w));
    windows.emplace_back("key rapid trigger", std::make_unique<KeyQuickTouchWindow>(&w));
    QVERIFY(static_cast<MacroManageWindow *>(windows[2].second.get())->macroList()->count() > 0);
    for (auto &entry : windows) {
        entry.second->show();
        QCoreApplication::processEvents();
        walk(entry.first, entry.second.get());
        entry.second->hide();
    }

    missing.removeDuplicates();
    if (!missing.isEmpty())
        QFAIL(qPrintable(QStringLiteral("%1 controls or entries without an accessible name:\n  ")
                             .arg(missing.size()) + missing.join(QStringLiteral("\n  "))));
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
