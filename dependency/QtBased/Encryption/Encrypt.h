#pragma once

#include "MallocAllocator.h"

#include <cstdint>
#include <string>

// DES (FIPS 46-3) and three-key triple DES (SP 800-67) in ECB mode with zero
// padding: a key of 24 bytes or more is triple DES over its first 24 bytes,
// a key of 8 to 23 bytes single DES over its first 8. Shorter keys are
// refused with 10021010 "Bad param" rather than read past their end.

// The key schedule: 32 words per DES key (two per round), 32 or 96 in all,
// written to `count`. The caller frees the array with delete[].
uint32_t* des_createKeys(const std::string& key, int& count);

// Enciphers or deciphers the whole message. The output is len / 8 * 8 + 8
// bytes: the message is filled with zero bytes up to the next multiple of
// eight, and a message whose length already is one gains a zero block.
std::string des_enc(std::string key, std::string message, bool encrypt);

// "0x" and two lowercase hexadecimal digits per byte.
std::string stringToHex(std::string bytes);

// A cipher object with a key and the bytes of its last operation. Failures
// go to the calling thread's last-error record.
class BaseEncrypt
{
public:
    BaseEncrypt() = default;
    virtual ~BaseEncrypt();
    BaseEncrypt(const BaseEncrypt&) = delete;
    BaseEncrypt& operator=(const BaseEncrypt&) = delete;

    void setKey(std::string key);
    bool Encrypt(const char* data, int length);
    bool Decrypt(const char* data, int length);
    // The output of the last successful operation; valid until the next one.
    QuentaBased::MallocAllocator* getData();

protected:
    virtual void process(const char* data, int length, bool encrypt) = 0;

    std::string m_key;
    QuentaBased::MallocAllocator m_result;
};
