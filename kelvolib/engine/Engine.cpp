#include "Engine.h"

const CEngine& CEngine::For(const std::string& location) {
    return Server().Serves(location) ? Server() : File();
}
