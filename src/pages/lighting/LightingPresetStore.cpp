#include "LightingPresetStore.h"

#include "KeyboardController.h"
#include "KeyTypeTable.h"
#include "LightingLog.h"
#include "LightingPresetText.h"
#include "SettingsFactory.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString userKey(int n)
{
    return QStringLiteral("rgbPresuppose%1").arg(n + 1);
}

QString factoryKey(int n)
{
    return QStringLiteral("rootPresuppose%1").arg(n + 1);
}

using MatrixKey = KeyboardController::KeyPlace;

// The keys of the default key matrix with their places.
QList<MatrixKey> matrixKeys()
{
    return KeyboardController::builtInKeyPlaces(0);
}

QColor blend(const QColor &a, const QColor &b, double t)
{
    return QColor(qRound(a.red() + (b.red() - a.red()) * t), qRound(a.green() + (b.green() - a.green()) * t),
                  qRound(a.blue() + (b.blue() - a.blue()) * t));
}

} // namespace

QString LightingPresetStore::defaultPath()
{
    return QStringLiteral("config/settings.ini");
}

LightingPresetStore::LightingPresetStore(const QString &path) : m_path(path) {}

LightingPresetStore::Presets LightingPresetStore::load() const
{
    Presets presets;
    const auto settings = openIniSettings(m_path);
    for (int n = 0; n < Lighting::PresetCount; ++n) {
        const QVariant value = settings->value(userKey(n));
        presets[n] = value.isValid() ? readPresetString(value.toString()) : factory(n);
    }
    return presets;
}

LightingPresetStore::Preset LightingPresetStore::factory(int n) const
{
    if (n < 0 || n >= Lighting::PresetCount)
        return {};
    const QVariant value = openIniSettings(m_path)->value(factoryKey(n));
    return value.isValid() ? readPresetString(value.toString()) : builtIn(n);
}

bool LightingPresetStore::save(int n, const Preset &preset)
{
    if (n < 0 || n >= Lighting::PresetCount)
        return false;
    const QString text = writePresetString(preset);
    qCDebug(lcLighting) << "保存RGB配置输出：" << text;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const auto settings = openIniSettings(m_path);
    settings->setValue(userKey(n), text);
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        qCWarning(lcLighting) << "cannot write" << m_path << "status" << settings->status();
        return false;
    }
    return true;
}

LightingPresetStore::Preset LightingPresetStore::builtIn(int n)
{
    const QColor amber(254, 187, 36);
    const QColor rows[] = {QColor(255, 0, 0),   QColor(255, 128, 0), QColor(255, 230, 0),
                           QColor(0, 200, 60),  QColor(0, 90, 255),  QColor(150, 0, 255)};
    const double lastColumn = KB2MatrixCols - 1;
    Preset preset;
    for (const MatrixKey &k : matrixKeys()) {
        const double across = k.column / lastColumn;
        QColor c;
        switch (n) {
        case 0: c = QColor::fromHsv(qRound(across * 300), 255, 255); break;
        case 1: c = isWasdKey(k.type) ? QColor(255, 40, 0) : QColor(0, 60, 160); break;
        case 2: c = blend(QColor(255, 20, 0), QColor(255, 210, 40), across); break;
        case 3: c = blend(QColor(20, 40, 255), QColor(0, 230, 210), across); break;
        case 4: c = rows[qBound(0, k.row, 5)]; break;
        case 5: c = k.row == 0 ? amber : QColor(255, 255, 255); break;
        default: return {};
        }
        preset.insert(k.type, QColor(c.rgb()));
    }
    return preset;
}
