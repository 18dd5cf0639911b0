#pragma once

#include "Encrypt.h"

// The cipher object over des_enc.
class DesEncrypt : public BaseEncrypt
{
public:
    DesEncrypt() = default;

protected:
    void process(const char* data, int length, bool encrypt) override;
};
