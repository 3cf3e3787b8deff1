// kdsp subcommand curve: the summed EQ response of given bands or of one page of
// a preset file, as CSV on the 463-point grid or drawn on the graph as SVG.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_number.h"
#include "cli/cli_preset_io.h"
#include "core/eq/channel_curve.h"
#include "core/eq/graph_mapping.h"
#include "core/model/model.h"
#include "core/model/operating_mode.h"
#include "core/preset/atomic_file.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"
#ifdef KDSP_HAVE_GRAPH
#include <QBuffer>

#include "graph/graph_renderer.h"
#endif

namespace kdsp::cli {
namespace {

constexpr double MinBandFrequency = 1.0;
constexpr double MaxBandFrequency = 24000.0;  // top of the grid

struct CurveOptions {
    std::vector<std::string> bands;
    std::string preset;
    std::string page;
    std::string variant;
    std::string micGroup;
    std::string effectEq;
    std::string svg;
    std::string png;
};

double ParseReal(const std::string& text, const char* what) {
    std::size_t used = 0;
    double v = 0;
    try {
        v = std::stod(text, &used);
    } catch (const std::exception&) {
        throw Refused(std::string("invalid ") + what + ": " + text);
    }
    if (used != text.size()) throw Refused(std::string("invalid ") + what + ": " + text);
    if (!std::isfinite(v)) throw Refused(std::string(what) + " is not a finite number: " + text);
    return v;
}

// "CODE,FREQ,Q,GAIN"
BandSlot ParseBand(const std::string& text) {
    std::vector<std::string> fields;
    std::stringstream in(text);
    for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
    if (fields.size() != 4 || text.empty() || text.back() == ',')
        throw Refused("a band is CODE,FREQ,Q,GAIN: " + text);
    BandSlot slot;
    slot.code = static_cast<std::int32_t>(ParseNumber(fields[0], 255, "band code"));
    const double f = ParseReal(fields[1], "band frequency");
    if (f < MinBandFrequency || f > MaxBandFrequency)
        throw Refused("band frequency outside 1..24000 Hz: " + fields[1]);
    const double q = ParseReal(fields[2], "band Q");
    if (q <= 0) throw Refused("band Q must be above 0: " + fields[2]);
    const double gain = ParseReal(fields[3], "band gain");
    // The graph's own range of dB.
    if (gain < GraphDbMin || gain > GraphDbMax)
        throw Refused("band gain outside " + std::to_string(GraphDbMin) + "..+" + std::to_string(GraphDbMax) +
                      " dB: " + fields[3]);
    slot.frequency = static_cast<float>(f);
    slot.q = static_cast<float>(q);
    slot.gain = static_cast<float>(gain);
    return slot;
}

struct Drawn {
    ChannelCurve curve;
    Rgb colour = CurveChannelColour;
};

void FromBands(const std::vector<std::string>& texts, Drawn& out) {
    if (texts.size() > static_cast<std::size_t>(BandSlotCount))
        throw Refused("at most 17 bands (the slots of one graph)");
    std::vector<BandSlot> slots;
    for (const std::string& t : texts) slots.push_back(ParseBand(t));
    out.curve.SetBands(slots);
}

void FromPreset(const CurveOptions& o, Drawn& out) {
    if (o.page.empty()) throw CLI::ValidationError("--preset needs --page N (0..9)");
    const int page = static_cast<int>(ParseNumber(o.page, 9, "page"));
    Model model;
    if (!o.variant.empty()) {
        const int v = static_cast<int>(ParseNumber(o.variant, 9, "variant"));
        if (v == 6 || v == 9)
            model.MainVariant = v;
        else if (v == 7 || v == 8)
            model.AuxVariant = v;
        else
            throw Refused("variant must be 6 or 9 (main/rear) or 7 or 8 (aux 1/2): " + o.variant);
    }
    if (!o.micGroup.empty()) {
        if (o.micGroup != "A" && o.micGroup != "B" && o.micGroup != "a" && o.micGroup != "b")
            throw Refused("microphone group must be A or B: " + o.micGroup);
        model.MicBandMode = (o.micGroup == "B" || o.micGroup == "b") ? 1 : 0;
    }
    if (!o.effectEq.empty()) {
        const int e = static_cast<int>(ParseNumber(o.effectEq, 9, "effect EQ"));
        if (e != 4 && e != 5) throw Refused("effect EQ must be 4 (echo) or 5 (reverb): " + o.effectEq);
        model.EffectEqVariant = e;
    }
    ApplyPreset(ReadPreset(o.preset), model);
    // The music and output EQs exist per sing/dance mode: draw the mode the preset uses.
    model.ModeFlag = ModeCopyOf(model.DeviceImage[PageMusic][1]);
    LoadViewFromDevice(model, model.ModeFlag);
    out.curve.Update(model, AllSlots, page);
    if (page == PageEcho || page == PageReverb)
        out.colour = model.EffectEqVariant == PageReverb ? CurveReverbColour : CurveEchoColour;
}

std::string Csv(const ChannelCurve& curve) {
    std::string text;
    char line[64];
    for (int g = 0; g < GridPoints; ++g) {
        double db = curve.Curve()[g];
        if (std::fabs(db) < 0.00005) db = 0.0;  // no "-0.0000"
        std::snprintf(line, sizeof line, "%d,%.2f,%.4f\n", g, GridToFreq(g), db);
        text += line;
    }
    return text;
}

std::string RgbText(Rgb c) {
    return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) +
           ")";
}

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// The graph as the window draws it: grid, axis labels around it and the curve,
// on the designed 1080 x 281 image.
std::string Svg(const Drawn& drawn) {
    const GraphGeometry geometry;
    const int width = static_cast<int>(geometry.width);
    const int height = static_cast<int>(geometry.height);
    const int left = 40, top = 10, right = 14, bottom = 18;
    std::ostringstream s;
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << left + width + right
      << "\" height=\"" << top + height + bottom << "\" viewBox=\"0 0 " << left + width + right
      << ' ' << top + height + bottom << "\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"rgb(30,30,30)\"/>\n"
      << "<defs><clipPath id=\"graph\"><rect width=\"" << width << "\" height=\"" << height
      << "\"/></clipPath></defs>\n"
      << "<g transform=\"translate(" << left << ',' << top << ")\">\n"
      << "<rect width=\"" << width << "\" height=\"" << height << "\" fill=\""
      << RgbText(GridBackgroundColour) << "\"/>\n"
      << "<g shape-rendering=\"crispEdges\" clip-path=\"url(#graph)\">\n";
    for (const GridLine& l : GraphGridLines(geometry)) {
        const int w = GridLineWidth(l.cls);
        // A one-pixel pen covers the pixel row or column at the coordinate.
        const double half = w == 1 ? 0.5 : 0.0;
        const double dx = l.x1 == l.x2 ? half : 0.0;
        const double dy = l.y1 == l.y2 ? half : 0.0;
        s << "<line x1=\"" << Num(l.x1 + dx) << "\" y1=\"" << Num(l.y1 + dy) << "\" x2=\""
          << Num(l.x2 + dx) << "\" y2=\"" << Num(l.y2 + dy) << "\" stroke=\""
          << RgbText(GridColour(l.cls)) << "\" stroke-width=\"" << w << "\"/>\n";
    }
    s << "</g>\n";
    s << "<g font-family=\"sans-serif\" font-size=\"11\" font-weight=\"bold\" fill=\"white\">\n";
    for (const DbLabel& label : DbAxisLabels()) {
        if (label.db > GraphDbMax) continue;  // above the panel, clipped in the window
        s << "<text x=\"-2\" y=\"" << Num(std::nearbyint(DbToY(label.db, geometry)))
          << "\" text-anchor=\"end\" dominant-baseline=\"central\">" << label.text
          << "</text>\n";
    }
    for (const FreqLabel& label : FreqAxisLabels()) {
        s << "<text x=\"" << Num(std::nearbyint(FreqToX(label.frequency, geometry))) << "\" y=\""
          << height + 2 << "\" text-anchor=\"middle\" dominant-baseline=\"hanging\">"
          << label.text << "</text>\n";
    }
    s << "</g>\n";
    const auto points = CurvePixels(drawn.curve.Curve(), geometry);
    // The window draws the spline through grid points 0..461.
    const auto segments =
        CardinalSpline(std::span<const Point>(points.data(), GridSteps), CurveTension);
    s << "<path clip-path=\"url(#graph)\" fill=\"none\" stroke=\"" << RgbText(drawn.colour)
      << "\" stroke-width=\"" << CurvePenWidth << "\" stroke-linejoin=\"round\" d=\"M"
      << points[0].x << ' ' << points[0].y;
    for (const BezierSegment& b : segments) {
        s << " C" << Num(b.c1x) << ' ' << Num(b.c1y) << ' ' << Num(b.c2x) << ' ' << Num(b.c2y)
          << ' ' << Num(b.x) << ' ' << Num(b.y);
    }
    s << "\"/>\n</g>\n</svg>\n";
    return s.str();
}

// Written whole or not at all: an older picture of that name survives a failure.
void WriteFile(const std::string& path, std::string_view bytes) {
    try {
        WriteFileAtomically(PathFromText(path), bytes);
    } catch (const FileWriteError& e) {
        throw Refused("cannot write " + path + ": " + e.what());
    }
}

// The file name must say what it holds: a viewer goes by the extension.
void CheckOutput(const std::string& path, const char* option, const char* extension) {
    if (path.empty())
        return;
    const std::string ext = PathFromText(path).extension().string();
    std::string lower;
    for (char c : ext) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (lower != extension)
        throw Refused(std::string(option) + " writes " + (extension + 1) +
                      ": give a file name ending in " + extension + " (not " + path + ")");
    if (const auto why = WriteProblem(PathFromText(path)))
        throw Refused("cannot write " + path + ": " + *why);
}

#ifdef KDSP_HAVE_GRAPH
// The graph exactly as the window draws it: grid background and the curve.
std::string Png(const Drawn& drawn) {
    GraphRenderer renderer;
    renderer.SetCurveColour(ToQRgb(drawn.colour));
    renderer.DrawCurve(drawn.curve.Curve());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!renderer.Image().save(&buffer, "PNG"))
        throw Refused("cannot draw the PNG");
    return bytes.toStdString();
}
#endif

void RunCurve(const CurveOptions& o) {
    const bool hasBands = !o.bands.empty();
    const bool hasPreset = !o.preset.empty();
    if (hasBands == hasPreset)
        throw CLI::ValidationError("give either --band (one or more) or --preset FILE --page N");
    if (hasBands && (!o.page.empty() || !o.variant.empty() || !o.micGroup.empty() ||
                     !o.effectEq.empty()))
        throw CLI::ValidationError("--page, --variant, --mic-group and --effect-eq need --preset");
    CheckOutput(o.svg, "--svg", ".svg");
    CheckOutput(o.png, "--png", ".png");
    Drawn drawn;
    if (hasBands)
        FromBands(o.bands, drawn);
    else
        FromPreset(o, drawn);
    if (!o.svg.empty()) WriteFile(o.svg, Svg(drawn));
#ifdef KDSP_HAVE_GRAPH
    if (!o.png.empty()) WriteFile(o.png, Png(drawn));
#endif
    if (o.svg.empty() && o.png.empty()) std::cout << Csv(drawn.curve);
}

}  // namespace

void RegisterCurveCommands(CLI::App& app) {
    static CurveOptions options;
    CLI::App* curve = app.add_subcommand(
        "curve",
        "summed EQ response on the 463-point grid: CSV lines index,frequency_hz,db (no "
        "header), or the drawn graph with --svg");
    curve->add_option("--band", options.bands,
                      "CODE,FREQ,Q,GAIN: curve code 0..255, Hz 1..24000, Q, dB -24..+12 (repeatable, "
                      "at most 17)")
        ->allow_extra_args(false);
    curve->add_option("--preset", options.preset, "preset file (.Nddt)");
    curve->add_option("--page", options.page, "page 0..9 of the preset");
    curve->add_option("--variant", options.variant,
                      "data shown by the output sheets: 6 or 9 (main/rear), 7 or 8 (aux 1/2)");
    curve->add_option("--mic-group", options.micGroup, "microphone setting group A or B");
    curve->add_option("--effect-eq", options.effectEq, "effect EQ shown: 4 echo, 5 reverb");
    curve->add_option("--svg", options.svg, "write the graph as SVG here instead of the CSV");
#ifdef KDSP_HAVE_GRAPH
    curve->add_option("--png", options.png,
                      "write the graph as a 1080x281 PNG here instead of the CSV");
#endif
    curve->callback([] { RunCurve(options); });
}

}  // namespace kdsp::cli
