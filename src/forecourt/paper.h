// A reader's receipt paper: what was printed, in order, with its line
// feeds, bar codes and cuts. Print records and XML print commands both add
// to it.
#pragma once

#include <string>
#include <vector>

namespace vantrel::forecourt {

struct PrintedItem {
    enum class Kind { Text, BarCode, Cut } kind = Kind::Text;
    std::string job;  // "Receipt", "Header", "Footer", or "Packet" for XML print commands
    std::string text; // printed text with its line feeds; bar code characters for BarCode
    std::string symbology; // bar codes only
    bool operator==(const PrintedItem&) const = default;
};

struct Paper {
    std::vector<PrintedItem> items;
    bool operator==(const Paper&) const = default;

    void addText(std::string job, std::string text) { items.push_back({PrintedItem::Kind::Text, std::move(job), std::move(text), {}}); }
    void addBarCode(std::string job, std::string characters, std::string symbology)
    {
        items.push_back({PrintedItem::Kind::BarCode, std::move(job), std::move(characters), std::move(symbology)});
    }
    void addCut(std::string job) { items.push_back({PrintedItem::Kind::Cut, std::move(job), {}, {}}); }
    int cuts() const
    {
        int n = 0;
        for (const auto& i : items)
            n += i.kind == PrintedItem::Kind::Cut;
        return n;
    }
};

} // namespace vantrel::forecourt
