#include "usbnames.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

struct VendorEntry
{
    VendorEntry* next;
    uint16_t vendorId;
    char name[1]; // the rest of the allocation
};

struct ProductEntry
{
    ProductEntry* next;
    uint16_t vendorId;
    uint16_t productId;
    char name[1];
};

constexpr int kBuckets = 16;
VendorEntry* g_vendors[kBuckets];
ProductEntry* g_products[kBuckets];
// Loads are rare; the lock keeps two of them from linking into one chain at once.
std::mutex g_loadLock;

template <typename Entry> Entry* NewEntry(const char* name)
{
    const size_t length = std::strlen(name);
    auto* e = static_cast<Entry*>(std::calloc(1, sizeof(Entry) + length));
    if (e)
        std::memcpy(e->name, name, length + 1);
    return e;
}

bool IsHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool StartsWith(const char* line, const char* prefix)
{
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

// Reads the hexadecimal number at `p`, then skips white space; the rest is the name.
const char* NumberAndName(const char* p, unsigned long& number)
{
    char* end = nullptr;
    number = std::strtoul(p, &end, 16);
    while (*end && IsBlank(*end))
        ++end;
    return end;
}

void AddVendor(uint16_t vendorId, const char* name)
{
    if (names_vendor(vendorId))
        return;
    VendorEntry* e = NewEntry<VendorEntry>(name);
    if (!e)
        return;
    e->vendorId = vendorId;
    const unsigned int b = names_bucket(vendorId);
    e->next = g_vendors[b];
    g_vendors[b] = e;
}

void AddProduct(uint16_t vendorId, uint16_t productId, const char* name)
{
    if (names_product(vendorId, productId))
        return;
    ProductEntry* e = NewEntry<ProductEntry>(name);
    if (!e)
        return;
    e->vendorId = vendorId;
    e->productId = productId;
    const unsigned int b = names_bucket((uint32_t(vendorId) << 16) | productId);
    e->next = g_products[b];
    g_products[b] = e;
}

} // namespace

unsigned int names_bucket(uint32_t key)
{
    for (int i = 31; i >= 4; --i)
        if (key & (1u << i))
            key ^= 1u << (i - 3);
    return key & 0xF;
}

const char* names_vendor(uint16_t vendorId)
{
    for (const VendorEntry* e = g_vendors[names_bucket(vendorId)]; e; e = e->next)
        if (e->vendorId == vendorId)
            return e->name;
    return nullptr;
}

const char* names_product(uint16_t vendorId, uint16_t productId)
{
    for (const ProductEntry* e = g_products[names_bucket((uint32_t(vendorId) << 16) | productId)]; e; e = e->next)
        if (e->vendorId == vendorId && e->productId == productId)
            return e->name;
    return nullptr;
}

int names_init(const char* path)
{
    FILE* f = path ? std::fopen(path, "re") : nullptr;
    if (!f)
        return path ? errno : EINVAL;
    std::lock_guard<std::mutex> lock(g_loadLock);
    char buf[512];
    bool haveVendor = false;
    unsigned long vendor = 0;
    while (std::fgets(buf, sizeof buf, f)) {
        buf[strcspn(buf, "\r")] = 0;
        buf[strcspn(buf, "\n")] = 0;
        if (buf[0] == 0 || buf[0] == '#')
            continue;
        if (StartsWith(buf, "PHYSDES ") || StartsWith(buf, "PHY ") || (StartsWith(buf, "AT") && IsBlank(buf[2])) ||
            StartsWith(buf, "BIAS ") || StartsWith(buf, "L ") || StartsWith(buf, "C ") || StartsWith(buf, "HID ") ||
            StartsWith(buf, "HUT ") || StartsWith(buf, "R "))
            break;
        if (IsHex(buf[0])) {
            unsigned long number = 0;
            const char* name = NumberAndName(buf, number);
            if (*name == 0)
                continue;
            vendor = number;
            haveVendor = true;
            AddVendor(static_cast<uint16_t>(vendor), name);
        } else if (buf[0] == '\t' && IsHex(buf[1])) {
            unsigned long number = 0;
            const char* name = NumberAndName(buf + 1, number);
            if (*name == 0 || !haveVendor)
                continue;
            AddProduct(static_cast<uint16_t>(vendor), static_cast<uint16_t>(number), name);
        }
    }
    std::fclose(f);
    return 0;
}
