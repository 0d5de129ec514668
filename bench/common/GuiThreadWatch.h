#pragma once

// Watches the GUI thread for a benchmark: a 1 ms ticker, and every event the
// thread handles between two ticks. The gap between ticks alone cannot tell
// the program's work from the ticker's own millisecond and from the time a
// busy machine takes to run the thread again, so the handlers are timed too.
// The application object routes its events through watch() (see
// GuiThreadApplication below).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <algorithm>
#ifdef Q_OS_LINUX
#include <ctime>
#include <sys/resource.h>
#endif

class GuiThreadWatch {
public:
    GuiThreadWatch()
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] { tick(); });
    }
    ~GuiThreadWatch() { stop(); }
    GuiThreadWatch(const GuiThreadWatch &) = delete;
    GuiThreadWatch &operator=(const GuiThreadWatch &) = delete;

    void start()
    {
        m_worstGap = m_worstBusy = m_worstCpu = m_busy = m_cpu = m_longest = 0;
        m_blocked = 0;
        m_heaviest = m_worstHeaviest = nullptr;
        m_shares.clear();
        m_worstShares.clear();
        s_active = this;
        m_gap.start();
        m_ticker.start();
    }
    void stop()
    {
        m_ticker.stop();
        if (s_active == this)
            s_active = nullptr;
    }

    // The longest gap between two ticks.
    double worstGapMs() const { return m_worstGap / 1e6; }
    // The longest time spent in event handlers between two ticks, how much
    // of it the thread ran on a processor, and the class of the receiver
    // that took the most of it.
    double worstBusyMs() const { return m_worstBusy / 1e6; }
    double worstCpuMs() const { return m_worstCpu / 1e6; }
    const char *heaviestReceiver() const { return m_worstHeaviest ? m_worstHeaviest : "-"; }
    // Where that longest stretch went: handler time and events per class of
    // receiver, the largest first.
    struct Share {
        const char *receiver = nullptr;
        qint64 ns = 0;
        int events = 0;
    };
    QVector<Share> worstShares() const
    {
        QVector<Share> shares = m_worstShares;
        std::sort(shares.begin(), shares.end(), [](const Share &a, const Share &b) { return a.ns > b.ns; });
        return shares;
    }
    // Handlers that went to sleep (a lock, a wait, blocking I/O).
    long blocked() const { return m_blocked; }

    template <typename Deliver>
    static bool watch(QObject *receiver, Deliver deliver)
    {
        GuiThreadWatch *w = s_active;
        if (!w || w->m_depth > 0 || receiver == &w->m_ticker || QThread::currentThread() != w->m_ticker.thread())
            return deliver();
        ++w->m_depth;
        // Named now: a receiver may delete itself while it handles the event.
        const char *name = receiver->metaObject()->className();
        QElapsedTimer wall;
        wall.start();
        const qint64 cpu0 = threadCpuNs();
        const long sleeps0 = voluntarySwitches();
        const bool handled = deliver();
        const qint64 took = wall.nsecsElapsed();
        w->m_busy += took;
        w->m_cpu += threadCpuNs() - cpu0;
        w->m_blocked += voluntarySwitches() - sleeps0;
        w->addShare(name, took);
        if (took > w->m_longest) {
            w->m_longest = took;
            w->m_heaviest = name;
        }
        --w->m_depth;
        return handled;
    }

private:
    // Elsewhere than on Linux the processor time and the sleeps read 0.
    static qint64 threadCpuNs()
    {
#ifdef Q_OS_LINUX
        timespec ts;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
#else
        return 0;
#endif
    }
    static long voluntarySwitches()
    {
#ifdef Q_OS_LINUX
        rusage ru;
        getrusage(RUSAGE_THREAD, &ru);
        return ru.ru_nvcsw;
#else
        return 0;
#endif
    }
    void addShare(const char *receiver, qint64 ns)
    {
        // Class names are static strings: one pointer per class.
        for (Share &s : m_shares) {
            if (s.receiver == receiver) {
                s.ns += ns;
                ++s.events;
                return;
            }
        }
        m_shares.append({receiver, ns, 1});
    }
    void tick()
    {
        m_worstGap = std::max(m_worstGap, m_gap.nsecsElapsed());
        m_gap.restart();
        if (m_busy > m_worstBusy) {
            m_worstBusy = m_busy;
            m_worstHeaviest = m_heaviest;
            m_worstCpu = m_cpu;
            m_worstShares = m_shares;
        }
        m_shares.clear();
        m_busy = m_cpu = m_longest = 0;
        m_heaviest = nullptr;
    }

    static inline GuiThreadWatch *s_active = nullptr;
    QTimer m_ticker;
    QElapsedTimer m_gap;
    qint64 m_worstGap = 0, m_worstBusy = 0, m_worstCpu = 0, m_busy = 0, m_cpu = 0, m_longest = 0;
    long m_blocked = 0;
    const char *m_heaviest = nullptr;
    const char *m_worstHeaviest = nullptr;
    QVector<Share> m_shares, m_worstShares;
    int m_depth = 0;
};

// An application whose events pass through the watch.
template <typename Base>
class GuiThreadApplication : public Base {
public:
    using Base::Base;
    bool notify(QObject *receiver, QEvent *event) override
    {
        return GuiThreadWatch::watch(receiver, [&] { return Base::notify(receiver, event); });
    }
};
