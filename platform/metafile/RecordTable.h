// A record family's handlers by record type. Players list their handlers
// once; a type with no handler is a record that draws nothing.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace plat::metafile {

template <class Type, class Handler>
class RecordTable {
public:
    struct Entry {
        Type type;
        Handler handler;
    };

    RecordTable(std::initializer_list<Entry> entries) : entries_(entries)
    {
        std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.type < b.type; });
    }

    // The handler for type, or null.
    Handler find(Type type) const
    {
        const auto it =
            std::lower_bound(entries_.begin(), entries_.end(), type, [](const Entry& e, Type t) { return e.type < t; });
        return it != entries_.end() && it->type == type ? it->handler : nullptr;
    }

private:
    std::vector<Entry> entries_;
};

} // namespace plat::metafile
