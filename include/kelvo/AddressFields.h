#pragma once

#include <cstddef>

#include "kelvo.h"

// One text field of the address record: its storage and dump name, offset and width.
struct CAddressField {
    const char* name;
    size_t offset;
    size_t width;
};

#define KV_ADDRESS_FIELD(name, member)                                                             \
    CAddressField {                                                                                \
        name, offsetof(kvAddressRecord, member), sizeof(kvAddressRecord::member)                   \
    }

// Every text field the groupware keeps for an address entry, in dump order.
inline constexpr CAddressField kAddressFields[] = {
    KV_ADDRESS_FIELD("owner", owner),
    KV_ADDRESS_FIELD("category", category),
    KV_ADDRESS_FIELD("title", title),
    KV_ADDRESS_FIELD("last_name", lastName),
    KV_ADDRESS_FIELD("last_name_reading", lastNameReading),
    KV_ADDRESS_FIELD("first_name", firstName),
    KV_ADDRESS_FIELD("name_reading", nameReading),
    KV_ADDRESS_FIELD("company", company),
    KV_ADDRESS_FIELD("business_phone", businessPhone),
    KV_ADDRESS_FIELD("business_phone_2", businessPhone2),
    KV_ADDRESS_FIELD("business_fax", businessFax),
    KV_ADDRESS_FIELD("email", email),
    KV_ADDRESS_FIELD("business_postal_code", businessPostalCode),
    KV_ADDRESS_FIELD("business_prefecture", businessPrefecture),
    KV_ADDRESS_FIELD("business_city", businessCity),
    KV_ADDRESS_FIELD("business_street", businessStreet),
    KV_ADDRESS_FIELD("home_phone", homePhone),
    KV_ADDRESS_FIELD("home_phone_2", homePhone2),
    KV_ADDRESS_FIELD("mobile_phone", mobilePhone),
    KV_ADDRESS_FIELD("home_fax", homeFax),
    KV_ADDRESS_FIELD("email_2", email2),
    KV_ADDRESS_FIELD("web_page", webPage),
    KV_ADDRESS_FIELD("home_prefecture", homePrefecture),
    KV_ADDRESS_FIELD("home_city", homeCity),
    KV_ADDRESS_FIELD("home_street", homeStreet),
    KV_ADDRESS_FIELD("memo", memo),
};

#undef KV_ADDRESS_FIELD

// The stored name of the field at offset of the address record, or null.
inline const char* AddressFieldName(size_t offset) {
    for (const CAddressField& field : kAddressFields)
        if (field.offset == offset)
            return field.name;
    return nullptr;
}
