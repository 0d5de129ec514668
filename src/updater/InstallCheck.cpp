#include "InstallCheck.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

bool looksLikeExecutable(const QByteArray &head)
{
#ifdef Q_OS_WIN
    return head.startsWith("MZ");
#else
    return head.startsWith("\x7F" "ELF");
#endif
}

QString fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

bool isFolderWritable(const QString &folder)
{
    // Permission bits say nothing about ACLs or read-only mounts: try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-test-XXXXXX")));
    return probe.open();
}
