// A reader's receipt paper: what was printed, in order, with its line
// feeds, bar codes and cuts. Print records and XML print commands both add
// to it. The paper keeps its newest items within kPaperBytes and
// kPaperItems (site_bounds.h); what it let go is counted, so the board can
// say how much older printing is gone.
#pragma once

#include "site_bounds.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::forecourt {

struct PrintedItem {
    enum class Kind { Text, BarCode, Cut } kind = Kind::Text;
    std::string job;  // "Receipt", "Header", "Footer", or "Packet" for XML print commands
    std::string text; // printed text with its line feeds; bar code characters for BarCode
    std::string symbology; // bar codes only
    bool operator==(const PrintedItem&) const = default;

    // What the item counts against the paper's byte bound.
    std::size_t bytes() const { return job.size() + text.size() + symbology.size(); }
    // The lines it holds: a text's lines (the last one also without its LF);
    // a bar code or a cut is one.
    static std::uint64_t linesIn(const std::string& text)
    {
        const auto feeds = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
        return feeds + (!text.empty() && text.back() != '\n' ? 1 : 0);
    }
    std::uint64_t lines() const { return kind == Kind::Text ? linesIn(text) : 1; }
};

struct Paper {
    std::vector<PrintedItem> items;
    // Older printing the paper let go: whole items, and the lines in them
    // (with the lines cut from the front of an item too long to keep whole).
    std::uint64_t droppedItems = 0;
    std::uint64_t droppedLines = 0;
    bool operator==(const Paper&) const = default;

    void addText(std::string job, std::string text) { add({PrintedItem::Kind::Text, std::move(job), std::move(text), {}}); }
    void addBarCode(std::string job, std::string characters, std::string symbology)
    {
        add({PrintedItem::Kind::BarCode, std::move(job), std::move(characters), std::move(symbology)});
    }
    void addCut(std::string job) { add({PrintedItem::Kind::Cut, std::move(job), {}, {}}); }
    int cuts() const
    {
        int n = 0;
        for (const auto& i : items)
            n += i.kind == PrintedItem::Kind::Cut;
        return n;
    }
    std::size_t bytes() const
    {
        std::size_t n = 0;
        for (const auto& i : items)
            n += i.bytes();
        return n;
    }

private:
    void add(PrintedItem item)
    {
        items.push_back(std::move(item));
        keepWithin(kPaperBytes, kPaperItems);
    }

    // Lets the oldest items go until the rest fits; a newest item too long
    // by itself keeps the end of its text, from a line start where it can.
    void keepWithin(std::size_t maxBytes, std::size_t maxItems)
    {
        std::size_t total = bytes();
        std::size_t drop = 0;
        while (drop + 1 < items.size() && (items.size() - drop > maxItems || total > maxBytes)) {
            total -= items[drop].bytes();
            droppedLines += items[drop].lines();
            ++drop;
        }
        droppedItems += drop;
        items.erase(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(drop));
        if (total <= maxBytes)
            return;
        PrintedItem& last = items.back();
        const std::size_t room = maxBytes > last.job.size() + last.symbology.size()
                                     ? maxBytes - last.job.size() - last.symbology.size()
                                     : 0;
        if (last.kind != PrintedItem::Kind::Text || room == 0) {
            droppedLines += last.lines();
            ++droppedItems;
            items.pop_back();
            return;
        }
        std::size_t from = last.text.size() - room;
        if (const auto lineStart = last.text.find('\n', from == 0 ? 0 : from - 1); lineStart != std::string::npos &&
                                                                                   lineStart + 1 < last.text.size())
            from = std::max(from, lineStart + 1);
        droppedLines += PrintedItem::linesIn(last.text.substr(0, from));
        last.text.erase(0, from);
    }
};

} // namespace vantrel::forecourt
