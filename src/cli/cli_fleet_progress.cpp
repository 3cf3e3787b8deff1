// Drawing a fleet run's progress: the live lines of a terminal, or plain lines.
#include "cli/cli_fleet_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace kdsp::cli {

namespace {

struct TerminalSize {
    int rows = 24;
    int columns = 80;
};

TerminalSize Size() {
    TerminalSize size;
    winsize w{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &w) == 0 && w.ws_row > 0 && w.ws_col > 0) {
        size.rows = w.ws_row;
        size.columns = w.ws_col;
    }
    return size;
}

// Columns a UTF-8 text takes at most: characters of three bytes or more (where the
// wide East Asian ones are) count as two.
std::size_t Columns(const std::string& text, std::size_t* cutAt = nullptr, std::size_t limit = 0) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t bytes = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        const std::size_t width = bytes >= 3 ? 2 : 1;
        if (cutAt && columns + width > limit) {
            *cutAt = i;
            return columns;
        }
        columns += width;
        i += bytes;
    }
    if (cutAt)
        *cutAt = text.size();
    return columns;
}

// A live line must not wrap, or rewriting the lines in place would go astray.
std::string Fit(const std::string& line, int columns) {
    std::size_t cut = 0;
    Columns(line, &cut, static_cast<std::size_t>(std::max(columns - 1, 1)));
    return line.substr(0, cut);
}

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

}  // namespace

FleetProgress::FleetProgress(const std::vector<FleetDevice>& devices)
    : devices_(devices), tty_(::isatty(STDERR_FILENO) != 0), shown_(devices.size()) {
    for (const FleetDevice& d : devices)
        nameWidth_ = std::max(nameWidth_, Columns(d.entry.name));
}

std::string FleetProgress::Name(const FleetDevice& d) const {
    return d.entry.name + std::string(nameWidth_ - Columns(d.entry.name), ' ');
}

std::string FleetProgress::EndText(const FleetDevice& d) const {
    const std::string word = d.job->ResultWord(d.ok);
    const std::string text = d.ok ? d.job->Detail() : d.error;
    return Name(d) + "  " + word + std::string(word.size() < 8 ? 8 - word.size() : 1, ' ') +
           SecondsText(d.Seconds()) + (text.empty() ? "" : "  " + text);
}

std::string FleetProgress::LiveText(const FleetDevice& d) const {
    const RunStatus status = d.run->Status();
    if (status.status.empty())
        return Name(d) + "  Starting [" + status.place + "]";
    return Name(d) + "  " + status.Line();
}

void FleetProgress::Refresh() {
    if (tty_) {
        Redraw();
        return;
    }
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const FleetDevice& d = devices_[i];
        if (d.state != FleetDevice::State::Running || d.run->Done())
            continue;
        const RunStatus now = d.run->Status();
        const std::string& status = now.status;
        if (status.empty() || status == "Online" || status == "Offline")
            continue;
        const std::string& note = now.waiting;
        const std::string key = status + "\n" + note;
        // A line when the status changes or a wait begins; not when a wait ends.
        if (key == shown_[i] || (note.empty() && shown_[i].rfind(status + "\n", 0) == 0))
            continue;
        shown_[i] = key;
        std::cerr << Name(d) << "  " << status << " [" << now.place << "]"
                  << (note.empty() ? "" : ", waiting for " + note) << "\n";
    }
}

void FleetProgress::Finished(const FleetDevice& d) {
    if (tty_)
        pending_.push_back(EndText(d));
    else
        std::cerr << EndText(d) << "\n";
}

void FleetProgress::Note(const std::string& line) {
    if (tty_)
        pending_.push_back("kdsp: " + line);
    else
        std::cerr << "kdsp: " << line << "\n";
}

void FleetProgress::Redraw() {
    const TerminalSize size = Size();
    // The running ones, as many as the terminal shows, and a count of all.
    std::vector<std::string> live;
    int done = 0, failed = 0, running = 0;
    for (const FleetDevice& d : devices_) {
        if (d.state == FleetDevice::State::Done) {
            ++done;
            failed += d.ok ? 0 : 1;
        } else if (d.state == FleetDevice::State::Running) {
            ++running;
            if (static_cast<int>(live.size()) < size.rows - 2)
                live.push_back(Fit(LiveText(d), size.columns));
        }
    }
    live.push_back(Fit(std::to_string(done) + " of " + std::to_string(devices_.size()) + " done" +
                           (failed ? ", " + std::to_string(failed) + " failed" : "") + ", " +
                           std::to_string(running) + " running",
                       size.columns));
    if (pending_.empty() && live == live_)
        return;
    std::string out = RewindWithPending();
    for (const std::string& line : live)
        out += line + "\x1b[K\n";
    out += "\x1b[J";
    drawn_ = static_cast<int>(live.size());
    live_ = std::move(live);
    std::cerr << out << std::flush;
}

std::string FleetProgress::RewindWithPending() {
    std::string out;
    if (drawn_ > 0)
        out += "\r\x1b[" + std::to_string(drawn_) + "A";
    for (const std::string& line : pending_)
        out += line + "\x1b[K\n";
    pending_.clear();
    return out;
}

void FleetProgress::End() {
    if (!tty_)
        return;
    std::cerr << RewindWithPending() << "\x1b[J" << std::flush;
    drawn_ = 0;
}

std::string SummaryTable(const std::vector<FleetDevice>& devices) {
    std::vector<std::vector<std::string>> rows = {{"NAME", "ADDRESS", "RESULT", "TIME", "DETAIL"}};
    for (const FleetDevice& d : devices) {
        rows.push_back({d.entry.name, d.entry.address.Text(), d.job->ResultWord(d.ok),
                        SecondsText(d.Seconds()), d.ok ? d.job->Detail() : d.error});
    }
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], Columns(row[c]));
    std::string table;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line += std::string(widths[c] - Columns(row[c]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        table += line + "\n";
    }
    return table;
}

}  // namespace kdsp::cli
