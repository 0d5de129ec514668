#pragma once

// A minisign key pair made for one test with libsodium, signing as minisign
// does, so that the tests need no key files and no signing tool.

#include "Minisign.h"

#include <QByteArray>

#include <sodium.h>

class TestSigner {
public:
    TestSigner()
    {
        if (sodium_init() < 0)
            qFatal("libsodium cannot start");
        unsigned char pk[crypto_sign_PUBLICKEYBYTES], sk[crypto_sign_SECRETKEYBYTES], id[8];
        crypto_sign_keypair(pk, sk);
        randombytes_buf(id, sizeof id);
        m_pk = QByteArray(reinterpret_cast<const char *>(pk), sizeof pk);
        m_sk = QByteArray(reinterpret_cast<const char *>(sk), sizeof sk);
        m_id = QByteArray(reinterpret_cast<const char *>(id), sizeof id);
    }

    MinisignPublicKey publicKey() const { return {m_id, m_pk}; }
    QByteArray publicKeyFile() const
    {
        return "untrusted comment: minisign public key " + minisignKeyIdText(m_id).toLatin1() + "\n" +
               QByteArray("Ed" + m_id + m_pk).toBase64() + "\n";
    }
    // The ".minisig" file of message, for the file of that name: "ED"
    // (prehashed) or the legacy "Ed"; the trusted comment as our releases
    // have it (signed at timestamp, with an expiry unless it is 0).
    QByteArray sign(const QByteArray &message, const QByteArray &fileName = "document.json", bool prehashed = true,
                    qint64 timestamp = 1700000000, qint64 expires = 0) const
    {
        QByteArray comment = "timestamp:" + QByteArray::number(timestamp) + "\tfile:" + fileName;
        if (expires)
            comment += "\texpires:" + QByteArray::number(expires);
        return signWithComment(message, comment, prehashed);
    }
    QByteArray signWithComment(const QByteArray &message, const QByteArray &trustedComment, bool prehashed = true) const
    {
        QByteArray signed_ = message;
        if (prehashed) {
            signed_.resize(crypto_generichash_BYTES_MAX);
            crypto_generichash(reinterpret_cast<unsigned char *>(signed_.data()), crypto_generichash_BYTES_MAX,
                               reinterpret_cast<const unsigned char *>(message.constData()), size_t(message.size()),
                               nullptr, 0);
        }
        const QByteArray signature = detached(signed_);
        const QByteArray global = detached(signature + trustedComment);
        return "untrusted comment: signature from minisign secret key\n" +
               QByteArray((prehashed ? "ED" : "Ed") + m_id + signature).toBase64() + "\ntrusted comment: " +
               trustedComment + "\n" + global.toBase64() + "\n";
    }

private:
    QByteArray detached(const QByteArray &message) const
    {
        QByteArray sig(crypto_sign_BYTES, Qt::Uninitialized);
        crypto_sign_detached(reinterpret_cast<unsigned char *>(sig.data()), nullptr,
                             reinterpret_cast<const unsigned char *>(message.constData()), size_t(message.size()),
                             reinterpret_cast<const unsigned char *>(m_sk.constData()));
        return sig;
    }

    QByteArray m_pk, m_sk, m_id;
};
