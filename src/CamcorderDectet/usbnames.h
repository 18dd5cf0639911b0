#pragma once

// Vendor and product names of the USB identifier database ("usb.ids", the
// usbutils text layout), held in two process-wide tables of 16 chains each.
// Entries are never released; the names stay valid for the process's life.

#include <cstdint>

// 0 when the file was opened (whatever it held), else the open's errno.
int names_init(const char* path);
const char* names_vendor(uint16_t vendorId);
const char* names_product(uint16_t vendorId, uint16_t productId);

// The chain a 32-bit key falls into (vendor id, or vendor << 16 | product).
unsigned int names_bucket(uint32_t key);
