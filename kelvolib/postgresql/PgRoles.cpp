#include "PgRoles.h"

#include <cstdio>
#include <cstdlib>
#include <libpq-fe.h>
#include <openssl/sha.h>

namespace {

std::string Hex(const std::string& text, size_t digits) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    std::string out;
    char pair[3];
    for (size_t i = 0; i < sizeof(digest) && out.size() < digits; ++i) {
        std::snprintf(pair, sizeof(pair), "%02x", digest[i]);
        out += pair;
    }
    out.resize(digits);
    return out;
}

// The value of keyword in uri, as libpq reads it; empty when absent.
std::string Option(const std::string& uri, const char* keyword) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    PQfreemem(error);
    std::string value;
    for (PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr;
         ++option)
        if (std::string(option->keyword) == keyword && option->val != nullptr)
            value = option->val;
    PQconninfoFree(options);
    return value;
}

bool IsPlainName(const std::string& name) {
    if (name.empty() || name.size() > 40)
        return false;
    for (unsigned char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

} // namespace

std::string CPgRoles::SchemaOf(const std::string& uri) {
    std::string options = Option(uri, "options");
    size_t at = options.find("search_path=");
    if (at == std::string::npos)
        return "public";
    at += 12;
    size_t end = options.find_first_of(" ,", at);
    std::string schema = options.substr(at, end == std::string::npos ? end : end - at);
    if (schema.size() >= 2 && schema.front() == '"' && schema.back() == '"')
        schema = schema.substr(1, schema.size() - 2);
    return schema.empty() ? "public" : schema;
}

bool CPgRoles::OfficeTag(const std::string& uri, std::string& tag, std::string& error) {
    std::string database = Option(uri, "dbname");
    if (database.empty()) {
        const char* environment = std::getenv("PGDATABASE");
        database = environment != nullptr ? environment : "";
    }
    if (database.empty()) {
        error = "the URI names no database";
        return false;
    }
    tag = Hex(database + '\0' + SchemaOf(uri), 8);
    return true;
}

std::string CPgRoles::RoleName(const std::string& tag, const std::string& cp932UserName) {
    if (IsPlainName(cp932UserName))
        return "kv" + tag + "_u_" + cp932UserName;
    return "kv" + tag + "_h_" + Hex(cp932UserName, 40);
}

std::string CPgRoles::GroupRole(const std::string& tag) {
    return "kv" + tag + "_people";
}

bool CPgRoles::NamesUser(const std::string& uri) {
    return !Option(uri, "user").empty();
}

bool CPgRoles::OptionsMention(const std::string& uri, const std::string& name) {
    return Option(uri, "options").find(name + "=") != std::string::npos;
}

std::string CPgRoles::Quote(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}
