#include "KeyboardController.h"

#include "BoardProfile.h"
#include "ControlLog.h"
#include "DeviceLifecycle.h"
#include "FamilyKeyMatrix.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"
#include "KeyboardAction.h"
#include "KeyboardConfigModel.h"
#include "KeyboardSession.h"
#include "ProfileManager.h"
#include "ProfileVerify.h"

#include <QColor>
#include <QFileInfo>
#include <QSet>
#include <QUndoStack>

#include <utility>

bool KeyboardCapabilities::operator==(const KeyboardCapabilities &o) const
{
    return boardId == o.boardId && serial == o.serial && firmwareVersion == o.firmwareVersion && name == o.name
        && travel.stepUm == o.travel.stepUm && travel.minimumUm == o.travel.minimumUm
        && travel.maximumUm == o.travel.maximumUm && travel.positions == o.travel.positions
        && decimals == o.decimals && pollingRate == o.pollingRate && hasWindowsMode == o.hasWindowsMode
        && hasMacMode == o.hasMacMode;
}

KeyboardController::KeyboardController(KeyboardAction *device, DeviceNotifier *notifier, ProfileManager *profiles,
                                       QObject *parent)
    : QObject(parent), m_device(device), m_profiles(profiles),
      m_lifecycle(new DeviceLifecycle(device, notifier, this)), m_runner(new ApplyRunner(device, this)),
      m_config(new KeyboardConfigModel(m_runner, profiles, this))
{
    qRegisterMetaType<KeyboardCapabilities>();
    qRegisterMetaType<LightingReport>();
    KeyboardAction *d = device;
    const auto queued = Qt::QueuedConnection;

    // What the keyboard reports about itself.
    auto changeCaps = [this](const std::function<void(KeyboardCapabilities &)> &change) {
        KeyboardCapabilities next = m_caps;
        change(next);
        if (next == m_caps)
            return;
        m_caps = next;
        emit capabilitiesChanged(m_caps);
    };
    connect(d->reports(), &KeyboardWorker::sigKB2DeviceInfo, this, [this, changeCaps](const QVariant &v) {
        if (v.canConvert<STU_BoardInfo2>()) {
            const auto info = v.value<STU_BoardInfo2>();
            changeCaps([&info](KeyboardCapabilities &c) {
                c.boardId = info.boardId;
                c.serial = QString::fromUtf8(info.serial);
                c.firmwareVersion = QString::fromUtf8(info.version);
            });
        }
        emit keyboardIdentified();
    }, queued);
    connect(d->reports(), &KeyboardWorker::sigKB2PrecisionData, this,
            [this, changeCaps](double step, quint16 minimum, quint16 maximum, int decimals) {
                const TravelScale scale = TravelScale::fromKeyboard(step, minimum, maximum);
                changeCaps([&](KeyboardCapabilities &c) {
                    c.travel = scale;
                    c.decimals = decimals;
                });
                emit travelReported(scale, decimals);
            },
            queued);
    connect(d->reports(), &KeyboardWorker::sigKB2PollingRate, this,
            [this, changeCaps](int index) {
                changeCaps([index](KeyboardCapabilities &c) { c.pollingRate = index; });
                m_config->noteFromKeyboard([index](KeyboardConfig &c) { c.pollingRate = index; });
            },
            queued);
    connect(d->reports(), &KeyboardWorker::sigKB2KeyboardName, this, [this, changeCaps](const QString &name) {
        changeCaps([&name](KeyboardCapabilities &c) { c.name = name; });
        emit keyboardNameRead(name);
    }, queued);
    connect(d->reports(), &KeyboardWorker::sigKB2SYSModeInfo, this, [this, changeCaps](int mode) {
        if (mode == SystemNoWindows)
            changeCaps([](KeyboardCapabilities &c) { c.hasWindowsMode = false; });
        else if (mode == SystemNoMac)
            changeCaps([](KeyboardCapabilities &c) { c.hasMacMode = false; });
        else if (mode == SystemWindows || mode == SystemMac)
            m_config->noteFromKeyboard([mode](KeyboardConfig &c) { c.systemMode = mode; });
        emit systemModeReported(mode);
    }, queued);
    connect(d->reports(), &KeyboardWorker::sigKB2OriginalKeyValueMap, this, &KeyboardController::keyCodesRead, queued);
    connect(d->reports(), &KeyboardWorker::sigKB2ColorLights, this, [this](const QVariant &v) {
        if (!v.canConvert<STU_BoardFromPRGB>())
            return;
        const auto rec = v.value<STU_BoardFromPRGB>();
        LightingReport r;
        r.keyboardMode = rec.rgb_mode;
        r.on = rec.bitmap & Kb2LightingBits::On;
        r.brightness = rec.grayscale;
        r.speed = rec.rgb_speed;
        r.sleep = rec.rgb_sleep;
        r.reversed = rec.bitmap & Kb2LightingBits::Reversed;
        emit lightingReported(r);
    }, queued);
    // The live rounds come on this thread already (the worker hands them
    // over itself, newest first); their ends come from the worker's thread.
    connect(d->reports(), &KeyboardWorker::sigUpdateAdjustingData, this, &KeyboardController::calibrationRound);
    connect(d->reports(), &KeyboardWorker::sigUpdateMMData, this, &KeyboardController::keyTestRound);
    connect(d->reports(), &KeyboardWorker::sigCalibrationEnded, this, &KeyboardController::onCalibrationEnded, queued);
    connect(d->reports(), &KeyboardWorker::sigKeyTestEnded, this, &KeyboardController::onKeyTestEnded, queued);

    // The layers as the keyboard reports them again after a mode switch:
    // they belong to the step that switched it.
    connect(d, &KeyboardAction::sigKB2LayoutKey, this, [this](const QVariant &value) {
        if (!m_layersAfterModeSwitch || !value.canConvert<MapKB2DockerKey>())
            return;
        m_layersAfterModeSwitch = false;
        const MapKB2DockerKey map = value.value<MapKB2DockerKey>();
        m_config->noteFromKeyboard([&map](KeyboardConfig &config) {
            for (auto layer = map.cbegin(); layer != map.cend(); ++layer) {
                if (layer.key() < 0 || layer.key() > 3)
                    continue;
                QMap<int, int> keys;
                for (auto it = layer->cbegin(); it != layer->cend(); ++it)
                    keys.insert(it.key(), keyTypeFromCode(it.value()));
                config.layers[size_t(layer.key())] = keys;
            }
        });
    }, queued);

    // The history belongs to one keyboard, from its read-back until it goes.
    connect(m_lifecycle->session(), &KeyboardSession::readBackFinished, this, &KeyboardController::onReadBackFinished);
    connect(m_lifecycle, &DeviceLifecycle::keyboardArrived, this, [this] {
        if (!m_started)
            return;
        if (m_offlineProfile != 0) {
            m_waitingProfile = m_offlineProfile;
            endOfflineEditing();
        }
        m_config->awaitReadBack();
        m_caps = KeyboardCapabilities();
        m_checkRun = 0;
    });
    connect(m_lifecycle, &DeviceLifecycle::keyboardRemoved, this, [this] {
        m_config->forget();
        m_checkRun = 0;
    });
    connect(m_runner, &ApplyRunner::finished, this, &KeyboardController::onRunFinished);
    // What is edited offline is written to its profile file step by step.
    connect(m_config->history(), &QUndoStack::indexChanged, this, &KeyboardController::saveOfflineProfile);
    // A mode switch's step sends the switch; the keyboard's own layers of
    // that mode come with the layout read that follows it.
    connect(m_config, &KeyboardConfigModel::systemModeSent, this, [this] { m_layersAfterModeSwitch = true; });
}

KeyboardController::~KeyboardController() = default;

void KeyboardController::start()
{
    m_started = true;
    m_lifecycle->start();
}

bool KeyboardController::isConnected() const
{
    return m_device->isDeviceOpen();
}

bool KeyboardController::isReading() const
{
    return m_device->isInitialising() || (m_device->isDeviceOpen() && !m_config->hasConfig());
}

QUndoStack *KeyboardController::history() const
{
    return m_config->history();
}

bool KeyboardController::hasWireCode(int keyType) const
{
    // Offline, the keys are the model's own and its codes the built-in ones.
    if (m_offlineProfile != 0)
        return m_config->config().layers[0].contains(keyType) && isBindableKeyType(keyType);
    return m_device->hasWireCode(keyType);
}

int KeyboardController::macroCount() const
{
    // Offline, the store holds what the profile binds.
    if (m_offlineProfile != 0) {
        QSet<QString> names;
        for (const AdvancedBinding &b : m_config->config().advanced)
            if (const MACROInfo *m = b.as<MACROInfo>())
                names.insert(m->macroName);
        return names.size();
    }
    return m_device->macroCount();
}

bool KeyboardController::isBindableKeyType(int type)
{
    return keyTypeHasCode(type) && keyTypeCode(type) != 0
        && kb2_model_to_wire(keyTypeCode(type)) != WireKeyTable::NoKey;
}

QList<KeyboardController::KeyPlace> KeyboardController::builtInKeyPlaces(int family)
{
    QList<KeyPlace> keys;
    const quint16 *cells = familyKeyMatrix(family);
    for (int cell = 0; cell < KB2MatrixCells; ++cell) {
        const int type = cells[cell] ? keyTypeFromCode(cells[cell]) : KeyTypeNone;
        if (type != KeyTypeNone)
            keys.append({type, cell / KB2MatrixCols, cell % KB2MatrixCols});
    }
    return keys;
}

QList<int> KeyboardController::keys() const
{
    if (m_offlineProfile != 0)
        return m_config->config().layers[0].keys();
    return boardKeysOf(*m_device).keys;
}

void KeyboardController::setMacroLoader(const MacroLoader &loader)
{
    m_config->setMacroLoader(loader);
}

void KeyboardController::onReadBackFinished()
{
    // Until started, whoever drives the keyboard (a test, a bench) gives the
    // configuration its read-back.
    if (!m_started)
        return;
    const KeyboardReadBack &rb = m_lifecycle->session()->readBack();
    if (rb.missing.contains(ReadPart::Connection))
        return;
    // A keyboard read back ends offline editing; the profile is offered to it.
    if (m_offlineProfile != 0) {
        m_waitingProfile = m_offlineProfile;
        endOfflineEditing();
    }
    m_config->reset(configFromReadBack(rb), rb.isComplete());
    if (m_waitingProfile != 0 && rb.isComplete())
        emit offlineProfileWaiting(std::exchange(m_waitingProfile, 0));
}

namespace {

// The keys whose last-input-priority bindings some games forbid.
void dropSocdAndRs(KeyboardConfig *config)
{
    for (auto it = config->advanced.begin(); it != config->advanced.end();) {
        if (it->kind() == Bind_SOCD || it->kind() == Bind_RS)
            it = config->advanced.erase(it);
        else
            ++it;
    }
}

} // namespace

KeyboardController::ProfileApplied KeyboardController::applyProfile(
    const ProfileData &profile, const QString &name, ApplySource source,
    const std::function<void(const ProfileStep &)> &onStep, bool whole, bool withoutSocdRs)
{
    ProfileApplied applied;
    applied.shown = profile;
    if (withoutSocdRs && applied.shown.advanced)
        for (auto it = applied.shown.advanced->begin(); it != applied.shown.advanced->end();)
            it = it->kind() == Bind_SOCD || it->kind() == Bind_RS ? applied.shown.advanced->erase(it) : std::next(it);
    if (!m_device->isDeviceOpen() || m_firmwareUpdateRunning)
        return applied;
    applied.started = true;
    // A script or a focus rule changes the keyboard behind the user's back:
    // what it held is kept first.
    if (source == ApplySource::ByFocus || source == ApplySource::FromScript)
        takeSnapshot(SnapshotStore::Reason::OutsideApply);
    const QList<int> keys = this->keys();
    if (m_config->hasConfig()) {
        KeyboardConfig target = configWithProfile(m_config->config(), profile, keys);
        if (withoutSocdRs)
            dropSocdAndRs(&target);
        QString error;
        bool storeFull = false;
        m_config->applyWhole(target, tr("应用配置“%1”").arg(name), onStep, &error, &storeFull,
                             whole ? partsOfProfile(profile, keys) : UnknownParts());
        applied.run = m_config->lastRun();
        applied.frames = m_config->lastQueued().frames;
        applied.groups = m_config->lastQueued().groups;
        applied.planError = error;
        applied.storeFull = storeFull;
        // The bindings after a bad macro were not sent: the pages show what
        // the keyboard holds.
        if (!error.isEmpty() && profile.advanced)
            applied.shown.advanced = m_config->config().advanced;
    } else {
        // Without a read-back all that is known is the board copy: the
        // profile goes whole, and no step of the history holds it.
        const KeyboardConfig holds = configFromReadBack(mirrorReadBack(m_device->board()));
        ApplyRunner::Request request;
        request.from = holds;
        request.to = configWithProfile(holds, profile, keys);
        if (withoutSocdRs)
            dropSocdAndRs(&request.to);
        request.unknown = partsOfProfile(profile, keys);
        request.loadMacro = m_config->macroLoader();
        request.onStep = onStep;
        const ApplyRunner::Queued queued = m_runner->run(request);
        applied.run = queued.id;
        applied.frames = queued.frames;
        applied.groups = queued.groups;
        applied.planError = queued.planError;
        applied.storeFull = queued.storeFull;
        if (!queued.planError.isEmpty())
            applied.shown.advanced = queued.reached.advanced;
    }
    m_applyingProfile = applied.run;
    // A profile that stopped half way has been told already; one sent whole
    // is checked against what the keyboard says it keeps.
    // Without its SOCD and RS keys the keyboard holds less than the profile
    // on purpose: there is nothing to check it against.
    if (applied.run != 0 && applied.planError.isEmpty() && !applied.storeFull && m_config->hasConfig()
        && !withoutSocdRs) {
        m_checkRun = applied.run;
        m_checkName = name;
    }
    return applied;
}

void KeyboardController::onRunFinished(quint64 run, const ApplyRunner::Outcome &outcome)
{
    if (run == 0)
        return;
    if (run == m_applyingProfile) {
        m_applyingProfile = 0;
        emit profileApplyFinished(run, outcome);
    }
    if (run == m_checkRun) {
        m_checkRun = 0;
        // A keyboard that went or stopped answering has been told already.
        if (outcome.kind == ApplyRunner::Outcome::Done)
            checkAppliedProfile();
    }
}

// A full read-back would refill the pages and restart the history, so the
// check reads no more than the board copy: every answer to a write stores
// there what the keyboard says it now holds. A write the keyboard refuses
// is told by the lifecycle, not here.
void KeyboardController::checkAppliedProfile()
{
    if (!m_config->hasConfig())
        return;
    const QList<ProfileDifference> differences =
        configDifferences(m_config->config(), configFromReadBack(mirrorReadBack(m_device->board())), keys());
    if (differences.isEmpty())
        return;
    QStringList lines;
    for (const ProfileDifference &d : differences)
        lines << differenceLine(d);
    qCWarning(lcControl).noquote() << QStringLiteral("the keyboard did not keep %1 setting(s) of profile \"%2\": %3")
                                          .arg(differences.size())
                                          .arg(m_checkName, lines.join(QLatin1String("; ")));
    emit profileNotKept(m_checkName, lines);
}

bool KeyboardController::setPollingRate(int index)
{
    if (index < 0)
        return false;
    return m_config->edit({tr("回报率"), {}, {}}, KeyboardConfigModel::NoMerge,
                          [index](KeyboardConfig &c) { c.pollingRate = index; });
}

bool KeyboardController::setSystemMode(int mode)
{
    if (mode != SystemWindows && mode != SystemMac)
        return false;
    // The keyboard swaps its layers with the mode.
    if (m_config->hasConfig() && m_config->config().systemMode != mode)
        takeSnapshot(SnapshotStore::Reason::SystemModeSwitch);
    return m_config->edit({mode == SystemWindows ? tr("切换到Win模式") : tr("切换到Mac模式"), {}, {}},
                          KeyboardConfigModel::NoMerge, [mode](KeyboardConfig &c) { c.systemMode = mode; });
}

void KeyboardController::restoreFactory()
{
    takeSnapshot(SnapshotStore::Reason::FactoryReset);
    // What the keyboard held before is gone: no step of the history holds.
    m_config->clearHistory();
    m_device->restoreFactory();
    m_device->queryBoardInfo();
}

KeyboardLock::Result KeyboardController::takeKeyboardForUpdate(QString *holder)
{
    const KeyboardLock::Result result = m_lifecycle->setFirmwareUpdateRunning(true, holder);
    if (result == KeyboardLock::Result::Acquired) {
        takeSnapshot(SnapshotStore::Reason::FirmwareUpdate);
        // An update may reset the keyboard: no step of the history holds after it.
        m_config->clearHistory();
        m_firmwareUpdateRunning = true;
    }
    return result;
}

void KeyboardController::endFirmwareUpdate()
{
    m_firmwareUpdateRunning = false;
    m_lifecycle->setFirmwareUpdateRunning(false);
}

void KeyboardController::startCalibration()
{
    m_calibration.started();
    m_device->startCalibration();
}

void KeyboardController::stopCalibration()
{
    m_calibration.stopping();
    m_device->stopCalibration();
}

void KeyboardController::startKeyTest()
{
    m_keyTest.started();
    m_device->startKeyTest();
}

void KeyboardController::stopKeyTest()
{
    m_keyTest.stopping();
    m_device->stopKeyTest();
}

QString KeyboardController::snapshotSerial() const
{
    if (!m_caps.serial.trimmed().isEmpty())
        return m_caps.serial.trimmed();
    // A keyboard without a serial is told apart by its board id at least.
    return QStringLiteral("board-%1").arg(m_caps.boardId, 8, 16, QLatin1Char('0'));
}

bool KeyboardController::takeSnapshot(SnapshotStore::Reason reason)
{
    if (!m_config->hasConfig())
        return false;
    const KeyboardConfig &config = m_config->config();
    SnapshotStore::Snapshot snapshot;
    snapshot.document = writeProfile(profileOfConfig(config));
    for (auto it = config.keyColours.cbegin(); it != config.keyColours.cend(); ++it)
        snapshot.keyColours.insert(it.key(), it.value().rgb() & 0xFFFFFF);
    snapshot.systemMode = config.systemMode;
    snapshot.pollingRate = config.pollingRate;
    QString why;
    if (m_snapshots.take(snapshotSerial(), reason, snapshot, &why))
        return true;
    qCWarning(lcControl).noquote() << "cannot keep a snapshot of the keyboard:" << why;
    emit snapshotFailed(why);
    return false;
}

QList<SnapshotStore::Entry> KeyboardController::snapshots() const
{
    if (!m_device->isDeviceOpen())
        return {};
    return m_snapshots.list(snapshotSerial());
}

bool KeyboardController::restoreSnapshot(const QString &path, QString *why, QStringList *macrosLeft)
{
    SnapshotStore::Snapshot snapshot;
    QString problem;
    if (!m_config->hasConfig() || m_firmwareUpdateRunning) {
        problem = QStringLiteral("no keyboard configuration to restore onto");
    } else if (m_snapshots.read(path, &snapshot, &problem)) {
        ProfileData profile = readProfile(snapshot.document);
        // The keyboard does not give a macro's steps back: a binding whose
        // macro is known nowhere here keeps what the key has now, rather
        // than stopping the restore half way.
        const MacroLoader load = m_config->macroLoader();
        if (profile.advanced) {
            for (auto it = profile.advanced->begin(); it != profile.advanced->end();) {
                const MACROInfo *macro = it->as<MACROInfo>();
                if (macro && (!load || load(macro->macroName).status != MacroLoadResult::Ok)) {
                    if (macrosLeft)
                        *macrosLeft << macro->macroName;
                    const AdvancedBinding now = m_config->config().advanced.value(it.key());
                    if (now.kind() != Bind_None)
                        *it++ = now;
                    else
                        it = profile.advanced->erase(it);
                } else {
                    ++it;
                }
            }
        }
        KeyboardConfig target = configWithProfile(m_config->config(), profile, keys());
        if (!snapshot.keyColours.isEmpty()) {
            target.keyColours.clear();
            for (auto it = snapshot.keyColours.cbegin(); it != snapshot.keyColours.cend(); ++it)
                target.keyColours.insert(it.key(), QColor(QRgb(it.value())));
        }
        if (snapshot.systemMode == SystemWindows || snapshot.systemMode == SystemMac)
            target.systemMode = snapshot.systemMode;
        if (snapshot.pollingRate >= 0 && m_config->config().pollingRate >= 0)
            target.pollingRate = snapshot.pollingRate;
        QString error;
        const bool complete = m_config->applyWhole(target, tr("恢复快照"), {}, &error);
        m_config->showConfig();
        if (complete)
            return true;
        problem = error.isEmpty() ? QStringLiteral("the keyboard did not take all of %1").arg(QFileInfo(path).fileName())
                                  : error;
    }
    if (why)
        *why = problem;
    return false;
}

void KeyboardController::onKeyTestEnded()
{
    if (m_keyTest.endIsNews())
        emit keyTestEnded();
}

void KeyboardController::onCalibrationEnded()
{
    if (m_calibration.endIsNews())
        emit calibrationEnded();
}

KeyboardConfig KeyboardController::offlineBase(int model)
{
    KeyboardConfig base;
    const PerformanceSettings performance;
    base.performance = performance;
    for (const KeyPlace &key : builtInKeyPlaces(model)) {
        // A key without a one-byte wire code is not in the layers a
        // keyboard reports (the Fn key itself, the menu key).
        if (isBindableKeyType(key.type))
            for (QMap<int, int> &layer : base.layers)
                layer.insert(key.type, key.type);
        KeyTravelRecord travel;
        travel.keyTouchDis = quint16(performance.globalTravelUm);
        base.keyTravel.insert(key.type, travel);
    }
    base.systemMode = SystemWindows;
    return base;
}

bool KeyboardController::startOfflineEditing(int model, int profileId, QString *why)
{
    const auto refuse = [why](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (m_device->isDeviceOpen())
        return refuse(QStringLiteral("a keyboard is connected"));
    if (builtInKeyPlaces(model).isEmpty())
        return refuse(QStringLiteral("no keys known for model %1").arg(model));
    const ProfileDocument doc = m_profiles ? m_profiles->profile(profileId) : ProfileDocument();
    if (doc.isEmpty())
        return refuse(QStringLiteral("profile %1 is not loaded").arg(profileId));
    if (m_offlineProfile != 0)
        endOfflineEditing();
    const KeyboardConfig base = offlineBase(model);
    QList<int> keys = base.layers[0].keys();
    m_profiles->SelectCurrentProfile(profileId);
    m_offlineModel = model;
    m_offlineProfile = profileId;
    m_config->resetOffline(configWithProfile(base, readProfile(doc), keys));
    emit offlineEditingChanged(true);
    return true;
}

void KeyboardController::endOfflineEditing()
{
    if (m_offlineProfile == 0)
        return;
    saveOfflineProfile();
    m_offlineProfile = 0;
    m_offlineModel = -1;
    m_config->forget();
    emit offlineEditingChanged(false);
}

void KeyboardController::saveOfflineProfile()
{
    if (m_offlineProfile == 0 || !m_profiles || m_profiles->currentId() != m_offlineProfile)
        return;
    // The file, and the manager's copy that applying the profile reads.
    if (m_profiles->SaveCurrentProfile())
        m_profiles->ReloadProfileFile(m_offlineProfile, QFileInfo(m_profiles->profilePath(m_offlineProfile)).fileName());
    else
        qCWarning(lcControl).noquote() << "the profile edited offline was not saved:" << m_profiles->lastError();
}
