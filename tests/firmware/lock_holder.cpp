// Another program that has the keyboard: takes the keyboard lock under the
// name given, says "held" on stdout, and keeps the lock until its stdin
// closes.
//
//   lock_holder HOLDER [KEY]

#include "KeyboardLock.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs("usage: lock_holder HOLDER [KEY]\n", stderr);
        return 2;
    }
    const QString key = argc > 2 ? QString::fromLocal8Bit(argv[2]) : KeyboardLock::defaultKey();
    KeyboardLock lock(QString::fromLocal8Bit(argv[1]), key);
    if (lock.tryAcquire() != KeyboardLock::Result::Acquired) {
        std::fputs("not acquired\n", stdout);
        return 1;
    }
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    return 0;
}
