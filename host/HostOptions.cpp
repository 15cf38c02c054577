#include "host/HostOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "receiver/SampleModes.h"

namespace host {
namespace {

std::optional<long long> ParseInteger(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> ParseReal(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

struct Parser {
    HostOptions options;
    std::string error;

    bool Fail(std::string message) {
        if (error.empty()) error = std::move(message);
        return false;
    }

    bool Integer(const std::string& name, const std::string& text, long long low, long long high, long long& out) {
        const auto value = ParseInteger(text);
        if (!value) return Fail(name + ": '" + text + "' is not a whole number");
        if (*value < low || *value > high)
            return Fail(name + ": " + text + " is outside " + std::to_string(low) + ".." + std::to_string(high));
        out = *value;
        return true;
    }

    bool Switch(const std::string& name, const std::string& text, std::optional<bool>& out) {
        if (text == "on")
            out = true;
        else if (text == "off")
            out = false;
        else
            return Fail(name + ": expected on or off, not '" + text + "'");
        return true;
    }
};

using ValueHandler = std::function<bool(Parser&, const std::string& name, const std::string& value)>;
using FlagHandler = std::function<void(HostOptions&)>;

const std::map<std::string, ValueHandler>& ValueOptions() {
    static const std::map<std::string, ValueHandler> table = {
        {"--plugin",
         [](Parser& p, const std::string& n, const std::string& v) {
             if (v.empty()) return p.Fail(n + ": empty path");
             p.options.pluginPath = v;
             return true;
         }},
        {"--freq",
         [](Parser& p, const std::string& n, const std::string& v) {
             long long hz = 0;
             if (!p.Integer(n, v, 0, 2147483647LL, hz)) return false;
             p.options.frequencyHz = static_cast<long>(hz);
             return true;
         }},
        {"--mode",
         [](Parser& p, const std::string& n, const std::string& v) {
             long long mode = 0;
             if (!p.Integer(n, v, 0, excalibur::kSampleModeCount - 1, mode)) return false;
             p.options.sampleMode = static_cast<int>(mode);
             return true;
         }},
        {"--seconds",
         [](Parser& p, const std::string& n, const std::string& v) {
             const auto s = ParseReal(v);
             if (!s) return p.Fail(n + ": '" + v + "' is not a number");
             if (*s <= 0.0 || *s > 3600.0) return p.Fail(n + ": " + v + " is outside (0, 3600]");
             p.options.seconds = *s;
             return true;
         }},
        {"--att",
         [](Parser& p, const std::string& n, const std::string& v) { return p.Switch(n, v, p.options.attenuator); }},
        {"--dither",
         [](Parser& p, const std::string& n, const std::string& v) { return p.Switch(n, v, p.options.dither); }},
        {"--nb",
         [](Parser& p, const std::string& n, const std::string& v) { return p.Switch(n, v, p.options.noiseBlanker); }},
        {"--offset",
         [](Parser& p, const std::string& n, const std::string& v) {
             long long db = 0;
             if (!p.Integer(n, v, -32768, 32767, db)) return false;
             p.options.levelOffsetDb = static_cast<int>(db);
             return true;
         }},
        {"--wav",
         [](Parser& p, const std::string& n, const std::string& v) {
             if (v.empty()) return p.Fail(n + ": empty file name");
             p.options.wavPath = v;
             return true;
         }},
        {"--plot",
         [](Parser& p, const std::string& n, const std::string& v) {
             if (v.empty()) return p.Fail(n + ": empty file name");
             p.options.plotPath = v;
             return true;
         }},
        {"--full-scale",
         [](Parser& p, const std::string& n, const std::string& v) {
             const auto value = ParseReal(v);
             if (!value || *value <= 0.0) return p.Fail(n + ": '" + v + "' is not a positive finite number");
             p.options.fullScale = *value;
             return true;
         }},
        {"--screenshot",
         [](Parser& p, const std::string& n, const std::string& v) {
             if (v.empty()) return p.Fail(n + ": empty file name");
             p.options.screenshotPath = v;
             p.options.showPanel = true;
             return true;
         }},
        {"--hover-button",
         [](Parser& p, const std::string& n, const std::string& v) {
             long long id = 0;
             if (!p.Integer(n, v, 1, 65535, id)) return false;
             p.options.hoverControlId = static_cast<int>(id);
             return true;
         }},
        {"--rate-index",
         [](Parser& p, const std::string& n, const std::string& v) {
             long long index = 0;
             if (!p.Integer(n, v, 0, 255, index)) return false;
             p.options.rateIndex = static_cast<int>(index);
             return true;
         }},
        {"--att-index",
         [](Parser& p, const std::string& n, const std::string& v) {
             long long index = 0;
             if (!p.Integer(n, v, 0, 255, index)) return false;
             p.options.attenuatorIndex = static_cast<int>(index);
             return true;
         }},
    };
    return table;
}

const std::map<std::string, FlagHandler>& FlagOptions() {
    static const std::map<std::string, FlagHandler> table = {
        {"--extended", [](HostOptions& o) { o.extended = true; }},
        {"--show-panel", [](HostOptions& o) { o.showPanel = true; }},
        {"--att-toggle", [](HostOptions& o) { o.attenuatorToggle = true; }},
        {"--soak", [](HostOptions& o) { o.soak = true; }},
    };
    return table;
}

bool CheckCombination(Parser& parser) {
    const HostOptions& o = parser.options;
    if (o.pluginPath.empty()) return parser.Fail("--plugin PATH is required");
    if (!o.extended) {
        const std::pair<bool, const char*> extendedOnly[] = {
            {o.attenuator.has_value(), "--att"},
            {o.dither.has_value(), "--dither"},
            {o.noiseBlanker.has_value(), "--nb"},
            {o.levelOffsetDb.has_value(), "--offset"},
            {o.sampleMode.has_value(), "--mode"},
            {o.attenuatorToggle, "--att-toggle"},
            {o.soak, "--soak"},
        };
        for (const auto& [given, name] : extendedOnly) {
            if (given) return parser.Fail(std::string(name) + " drives an extended export and needs --extended");
        }
    }
    if (o.hoverControlId && o.screenshotPath.empty())
        return parser.Fail("--hover-button only matters for a capture and needs --screenshot");
    if (o.attenuatorToggle && o.attenuator)
        return parser.Fail("--att-toggle switches the attenuator itself; leave out --att");
    if (o.soak && o.attenuatorToggle)
        return parser.Fail("--soak switches the attenuator itself; leave out --att-toggle");
    // Shorter runs see too few mode changes to judge.
    if (o.soak && o.seconds < 1.0) return parser.Fail("--soak needs --seconds 1 or more");
    return true;
}

}  // namespace

ParseResult ParseHostOptions(const std::vector<std::string>& arguments) {
    Parser parser;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            ParseResult help;
            help.helpRequested = true;
            return help;
        }
        std::string name = argument;
        std::optional<std::string> inlineValue;
        if (const auto equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        if (!seen.insert(name).second) {
            parser.Fail(name + " is given more than once");
            break;
        }
        if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
            if (inlineValue) {
                parser.Fail(name + " takes no value");
                break;
            }
            flag->second(parser.options);
            continue;
        }
        const auto option = ValueOptions().find(name);
        if (option == ValueOptions().end()) {
            parser.Fail("unknown argument '" + argument + "'");
            break;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            parser.Fail(name + " needs a value");
            break;
        }
        if (!option->second(parser, name, value)) break;
    }
    ParseResult result;
    if (parser.error.empty()) CheckCombination(parser);
    if (!parser.error.empty()) {
        result.error = parser.error;
        return result;
    }
    result.options = parser.options;
    return result;
}

const char* HostUsage() {
    return "usage: extio-host --plugin PATH [--freq HZ] [--mode 0..4] [--seconds S]\n"
           "                  [--att on|off] [--dither on|off] [--nb on|off] [--offset DB]\n"
           "                  [--extended] [--show-panel] [--att-toggle] [--wav FILE] [--plot FILE]\n"
           "                  [--rate-index N] [--att-index N] [--full-scale VALUE]\n"
           "                  [--screenshot FILE [--hover-button ID]] [--soak]\n"
           "  --plugin PATH    the ExtIO library to load\n"
           "  --freq HZ        LO frequency for StartHW (default: the plug-in's own, else 7050000)\n"
           "  --seconds S      how long to receive (default 2)\n"
           "  --extended       use the extended exports and the shared parameter record;\n"
           "                   --mode, --att, --dither, --nb, --offset and --att-toggle need it\n"
           "  --att-toggle     attenuator on for the middle third of the run\n"
           "  --show-panel     show the plug-in's panel (ShowGUI) after InitHW\n"
           "  --wav FILE       write the first seconds of I/Q as 2-channel float WAV\n"
           "  --plot FILE      draw the spectrum as a PNG image\n"
           "  --rate-index N   choose a sample rate through ExtIoSetSrate\n"
           "  --att-index N    choose an attenuator step through SetAttenuator\n"
           "  --full-scale VALUE\n"
           "                   the sample value that reads 0 dBFS in every level (default 1;\n"
           "                   2147483648 for a plug-in that delivers 32-bit integers)\n"
           "  --screenshot FILE\n"
           "                   show the panel and, once it has painted, capture it as a PNG\n"
           "                   image (Windows build only)\n"
           "  --hover-button ID\n"
           "                   capture the panel's control ID with the mouse over it\n"
           "  --soak           while the stream runs, a second thread changes the sample mode\n"
           "                   every 250 ms (cycling 0..4), the level offset every 10 ms (a\n"
           "                   seeded walk in -200..200) and toggles attenuator, dither and\n"
           "                   noise blanker every 100 ms; then StopHW. Fails (exit 6) unless\n"
           "                   every block has the block size, GetHWSR gives the selected\n"
           "                   mode's rate at each status 100, every stall (a wait over 3\n"
           "                   block periods) of more than 50 ms lies at a mode change,\n"
           "                   every call posted its message and no block follows StopHW.\n"
           "                   Needs --extended; meant for --mode 4. The long run:\n"
           "                     extio-host --plugin ExtIO_Excalibur.dll --extended --mode 4\n"
           "                                --soak --seconds 60\n";
}

}  // namespace host
