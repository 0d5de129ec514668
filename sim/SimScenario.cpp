#include "SimScenario.h"

#include <charconv>
#include <cstdlib>
#include <climits>
#include <cmath>
#include <functional>
#include <string_view>

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A whole decimal or 0x hex number, with an optional minus sign; nothing
// else may follow it.
bool parseInteger(std::string_view s, long long &value)
{
    bool negative = false;
    if (!s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    // from_chars takes a sign of its own; one is enough.
    if (s.empty() || s.front() == '-')
        return false;
    unsigned long long magnitude = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || magnitude > (unsigned long long)LLONG_MAX)
        return false;
    value = negative ? -(long long)magnitude : (long long)magnitude;
    return true;
}

struct IntegerKey {
    const char *name;
    long long min, max;
    std::function<void(SimScenario &, int)> set;
};

const std::vector<IntegerKey> &integerKeys()
{
    using S = SimScenario;
    constexpr long long Day = 24LL * 3600 * 1000;
    static const std::vector<IntegerKey> keys = {
        {"drop", INT_MIN, INT_MAX, [](S &s, int v) { s.faults.dropAnswers = v; }},
        {"dropEvery", 0, INT_MAX, [](S &s, int v) { s.faults.dropEvery = v; }},
        {"corrupt", INT_MIN, INT_MAX, [](S &s, int v) { s.faults.corruptChecksum = v; }},
        {"corruptEvery", 0, INT_MAX, [](S &s, int v) { s.faults.corruptEvery = v; }},
        {"fail", INT_MIN, INT_MAX, [](S &s, int v) { s.faults.failStatus = v; }},
        {"failEvery", 0, INT_MAX, [](S &s, int v) { s.faults.failEvery = v; }},
        {"foreign", INT_MIN, INT_MAX, [](S &s, int v) { s.faults.foreignCommand = v; }},
        {"foreignStreamMs", 0, 60000, [](S &s, int v) { s.faults.foreignStreamMs = v; }},
        {"only", -1, 0xFF, [](S &s, int v) { s.faults.onlyCommand = v; }},
        {"refuseBlocks", INT_MIN, INT_MAX, [](S &s, int v) { s.faults.refuseBlocks = v; }},
        {"nack", 0, 1, [](S &s, int v) { s.faults.refuseWithNack = v != 0; }},
        {"unplugAfterFrames", 0, INT_MAX, [](S &s, int v) { s.faults.unplugAfterFrames = v; }},
        {"unplugAfterMs", -1, Day, [](S &s, int v) { s.unplugAfterMs = v; }},
        {"replugAfterMs", -1, Day, [](S &s, int v) { s.faults.replugAfterMs = v; }},
        {"keys", -1, VirtualKeyboard::Cells, [](S &s, int v) { s.keepKeys = v; }},
        {"silentFirst", 0, 1, [](S &s, int v) { s.options.silentListedFirst = v != 0; }},
        {"distinctive", 0, 1, [](S &s, int v) { s.distinctive = v != 0; }},
        {"denied", 0, 1, [](S &s, int v) { s.denied = v != 0; }},
        {"bootLoader", 0, 1, [](S &s, int v) { s.options.startInBootLoader = v != 0; }},
        {"family", 0, 0xFF, [](S &s, int v) { s.options.family = v; }},
    };
    return keys;
}

bool parseItem(std::string_view item, SimScenario &s, std::string &error)
{
    const std::string quoted = "\"" + std::string(item) + "\"";
    const size_t eq = item.find('=');
    if (eq == std::string_view::npos) {
        error = "scenario item " + quoted + " is not key=value";
        return false;
    }
    const std::string_view key = trimmed(item.substr(0, eq));
    const std::string_view value = trimmed(item.substr(eq + 1));

    if (key == "latency") {
        // Milliseconds, fractions allowed, up to a minute.
        double ms = 0;
        const auto r = std::from_chars(value.data(), value.data() + value.size(), ms);
        if (value.empty() || r.ec != std::errc() || r.ptr != value.data() + value.size()
            || !std::isfinite(ms) || ms < 0 || ms > 60000) {
            error = "scenario item " + quoted + ": expected milliseconds from 0 to 60000";
            return false;
        }
        s.options.latencyUs = int(std::lround(ms * 1000));
        return true;
    }
    for (const IntegerKey &k : integerKeys()) {
        if (key != k.name)
            continue;
        long long v = 0;
        if (!parseInteger(value, v) || v < k.min || v > k.max) {
            error = "scenario item " + quoted + ": expected a whole number from " + std::to_string(k.min)
                  + " to " + std::to_string(k.max);
            return false;
        }
        k.set(s, int(v));
        return true;
    }
    error = "unknown key in scenario item " + quoted;
    return false;
}

} // namespace

bool parseSimScenario(const std::string &text, SimScenario &scenario, std::string &error)
{
    SimScenario parsed = scenario;
    const std::string_view all = trimmed(text);
    size_t start = 0;
    while (!all.empty() && start <= all.size()) {
        const size_t comma = std::min(all.find(',', start), all.size());
        const std::string_view item = trimmed(all.substr(start, comma - start));
        if (item.empty()) {
            error = "empty item in scenario \"" + text + "\"";
            return false;
        }
        if (!parseItem(item, parsed, error))
            return false;
        start = comma + 1;
    }
    scenario = parsed;
    error.clear();
    return true;
}

VirtualKeyboard &addScenarioKeyboard(VirtualHidBackend &backend, const SimScenario &scenario)
{
    VirtualKeyboard &kb = backend.addKeyboard(scenario.options);
    if (scenario.keepKeys >= 0) {
        kb.modify([&](VirtualKeyboard::State &s) {
            int kept = 0;
            for (int c = 0; c < VirtualKeyboard::Cells; ++c) {
                if (!s.matrix[c])
                    continue;
                if (kept < scenario.keepKeys)
                    ++kept;
                else
                    VirtualKeyboard::emptyCell(s, c);
            }
        });
    }
    // After the cut, so that only the keys still there get bindings (the macro
    // on Y among them).
    if (scenario.distinctive)
        kb.fillDistinctive();
    kb.setFaults(scenario.faults);
    if (scenario.denied)
        for (const std::string &path : kb.interfacePaths())
            backend.setAccessDenied(path, true);
    if (scenario.unplugAfterMs >= 0)
        kb.unplugAfter(scenario.unplugAfterMs);
    return kb;
}

bool simScenarioFromEnvironment(int family, SimScenario &scenario, std::string &error)
{
    scenario.options.family = family;
    const char *text = std::getenv("CORVANE_SIM_SCENARIO");
    if (!text || !*text)
        return true;
    if (!parseSimScenario(text, scenario, error)) {
        error = "CORVANE_SIM_SCENARIO: " + error;
        return false;
    }
    return true;
}
