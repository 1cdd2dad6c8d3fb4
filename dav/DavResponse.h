#pragma once

#include <string>
#include <utility>
#include <vector>

// What the handler answers: a status, headers and a body (with its type).
struct CDavResponse {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;

    static CDavResponse Status(int status, std::string text = std::string()) {
        CDavResponse response;
        response.status = status;
        if (!text.empty()) {
            response.contentType = "text/plain; charset=utf-8";
            response.body = std::move(text) + "\n";
        }
        return response;
    }
};
