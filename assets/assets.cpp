#include "assets.h"

#include <map>

namespace kolvar {

kt::Picture art(const std::string& name) {
    // Decode each GIF once per run; every widget that shows it shares the pixels.
    static std::map<std::string, kt::Picture> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.emplace(name, kt::Picture::load(":/assets/" + name + ".gif")).first;
    return it->second;
}

} // namespace kolvar
