#include "LightingTables.h"

#include <QtGlobal>

namespace Lighting {

namespace {

const char *const kEffectNames[] = {
    QT_TRANSLATE_NOOP("ColorConfigWgt", "无灯效"),   QT_TRANSLATE_NOOP("ColorConfigWgt", "随波逐浪"),
    QT_TRANSLATE_NOOP("ColorConfigWgt", "川流不息"), QT_TRANSLATE_NOOP("ColorConfigWgt", "活力气泡"),
    QT_TRANSLATE_NOOP("ColorConfigWgt", "数学之美"), QT_TRANSLATE_NOOP("ColorConfigWgt", "交替人生"),
    QT_TRANSLATE_NOOP("ColorConfigWgt", "细雨纷飞"), QT_TRANSLATE_NOOP("ColorConfigWgt", "旋转风暴"),
    QT_TRANSLATE_NOOP("ColorConfigWgt", "满天繁星"), QT_TRANSLATE_NOOP("ColorConfigWgt", "自由风车"),
    QT_TRANSLATE_NOOP("ColorConfigWgt", "幸运彩虹"), QT_TRANSLATE_NOOP("ColorConfigWgt", "流星赶月"),
    QT_TRANSLATE_NOOP("ColorConfigWgt", "百花争艳"), QT_TRANSLATE_NOOP("ColorConfigWgt", "魔力橡皮"),
    QT_TRANSLATE_NOOP("ColorConfigWgt", "活力弹球"), QT_TRANSLATE_NOOP("ColorConfigWgt", "静态灯光"),
};

struct SleepChoice {
    const char *text;
    int minutes;
};

const SleepChoice kSleep[SleepChoices] = {
    {QT_TRANSLATE_NOOP("ColorConfigWgt", "1 min"), 1},     {QT_TRANSLATE_NOOP("ColorConfigWgt", "2 min"), 2},
    {QT_TRANSLATE_NOOP("ColorConfigWgt", "3 min"), 3},     {QT_TRANSLATE_NOOP("ColorConfigWgt", "5 min"), 5},
    {QT_TRANSLATE_NOOP("ColorConfigWgt", "10 min"), 10},   {QT_TRANSLATE_NOOP("ColorConfigWgt", "15 min"), 15},
    {QT_TRANSLATE_NOOP("ColorConfigWgt", "20 min"), 20},   {QT_TRANSLATE_NOOP("ColorConfigWgt", "25 min"), 25},
    {QT_TRANSLATE_NOOP("ColorConfigWgt", "30 min"), 30},   {QT_TRANSLATE_NOOP("ColorConfigWgt", "45 min"), 45},
    {QT_TRANSLATE_NOOP("ColorConfigWgt", "60 min"), 60},   {QT_TRANSLATE_NOOP("ColorConfigWgt", "120 min"), 120},
    {QT_TRANSLATE_NOOP("ColorConfigWgt", "从不"), 0},
};

} // namespace

const char *effectName(int mode)
{
    return mode >= 0 && mode <= StaticMode ? kEffectNames[mode] : "";
}

const char *sleepText(int index)
{
    return index >= 0 && index < SleepChoices ? kSleep[index].text : "";
}

int sleepMinutes(int index)
{
    return index >= 0 && index < SleepChoices ? kSleep[index].minutes : -1;
}

int sleepIndexFor(int minutes, SleepSource source)
{
    if (minutes == 0)
        return SleepNeverIndex;
    if (minutes < 0)
        return -1;
    // Each choice shows the minutes up to its own, from the one before.
    for (int i = 0; i < SleepNeverIndex; ++i) {
        if (minutes <= kSleep[i].minutes)
            return i;
    }
    return source == SleepSource::Profile ? SleepLongestIndex : -1;
}

ModeView viewOfKeyboardMode(int keyboardMode, bool on)
{
    ModeView v;
    if (keyboardMode >= StaticMode - 1) {
        v.mode = StaticMode;
        v.preset = qMin(keyboardMode - (StaticMode - 1), PresetCount - 1);
    } else if (on && keyboardMode >= 0) {
        v.mode = keyboardMode + 1;
    }
    return v;
}

ModeView viewOfStoredMode(int mode)
{
    ModeView v;
    if (mode >= StaticMode) {
        v.mode = StaticMode;
        v.preset = qMin(mode - StaticMode, PresetCount - 1);
    } else if (mode > 0) {
        v.mode = mode;
    }
    return v;
}

int sentMode(const ModeView &view)
{
    return view.mode == StaticMode ? StaticMode + qBound(0, view.preset, PresetCount - 1) : view.mode;
}

} // namespace Lighting
