#include "app/cli.h"

#include <algorithm>
#include <array>

namespace faxlens::cli {

namespace {

// A new command is one line here and one Run... function.
constexpr std::array kCommands{
    Command{"list", "FILE", 1, "one line per image: its number, a blank, the offset of its IFD",
            RunList},
    Command{"report", "FILE N", 2, "the tag report of image N, with CR LF line breaks", RunReport},
    Command{"info", "FILE N", 2, "the page parameters of image N as key value lines", RunInfo},
    Command{"decode", "FILE N OUT [--png]", 3,
            "decodes image N as the viewer does into OUT: .pbm (1 = black) or .png, or PNG "
            "with --png",
            RunDecode, true},
    Command{"convert", "FILE N OUT --g3|--g4|--t85", 4,
            "saves image N as the viewer's save commands do: a Group 3, Group 4 or JBIG (T.85) "
            "TIFF file",
            RunConvert},
    Command{"pdf", "FILE OUT.pdf [--images LIST]", 2,
            "writes every image (or those of LIST, e.g. 1,3-5) as a page of a PDF file, each "
            "picture a Group 4 stream",
            RunPdf, true},
    Command{"pages", "OUT --g3|--g4|--t85 FILE[:LIST]... [--verify]", 3,
            "writes the images of each FILE (all, or those of LIST, e.g. 1,3-5), in the order "
            "given, as the pages of one new TIFF file, each coded as convert codes it; "
            "--verify reads every page back and compares it with its image",
            RunPages, true},
    Command{"trace", "FILE N [--rows A-B] [--json]", 2,
            "the codes of every row of fax image N (or rows A to B), as the decoder reads them: "
            "one line a row, or one JSON document with --json",
            RunTrace, true},
    Command{"check", "FILE... [--json] [-j N]", 1,
            "checks every image of every file: one line a page, ok, damaged or not shown; "
            "--json writes one JSON document; N pages at once (all processors by default)",
            RunCheck, true},
};

std::string Prefixed(std::string_view message) {
    return std::string(kProgram) + ": " + std::string(message);
}

const Command* FindCommand(std::string_view name) {
    auto it = std::find_if(kCommands.begin(), kCommands.end(),
                           [name](const Command& c) { return c.name == name; });
    return it == kCommands.end() ? nullptr : &*it;
}

std::string Synopsis(const Command& command) {
    std::string text(command.name);
    if (!command.operands.empty()) {
        text += ' ';
        text += command.operands;
    }
    return text;
}

Outcome RunCommand(const Command& command, Operands operands) {
    if (command.orMore ? operands.size() < command.operandCount
                       : operands.size() != command.operandCount)
        return BadUsage("wrong number of arguments; usage: " + std::string(kProgram) + " " +
                        Synopsis(command));
    return command.run(operands);
}

} // namespace

Outcome Done(std::string output) {
    return {kDone, std::move(output), {}};
}

Outcome Failed(std::string_view message) {
    return {kFailed, {}, Prefixed(message)};
}

Outcome BadUsage(std::string_view message) {
    return {kBadUsage, {}, Prefixed(message)};
}

Outcome Damaged(std::string_view message) {
    return {kDamaged, {}, Prefixed(message)};
}

std::string UsageLine() {
    std::string line = "usage: " + std::string(kProgram) + " ";
    for (const Command& command : kCommands)
        line += (&command == kCommands.data() ? "" : " | ") + Synopsis(command);
    return line + "  (" + std::string(kProgram) + " --help for more)";
}

std::string HelpText() {
    std::size_t width = 0;
    for (const Command& command : kCommands)
        width = std::max(width, Synopsis(command).size());

    std::string text = "usage: " + std::string(kProgram) + " COMMAND ARGUMENTS...\n" + "       " +
                       std::string(kProgram) + " --help | --version\n\n" +
                       "Looks into TIFF files with bilevel fax pages. Images are numbered from\n"
                       "1, as in the image list of faxlens.\n\ncommands:\n";
    for (const Command& command : kCommands) {
        std::string synopsis = Synopsis(command);
        text += "  " + synopsis + std::string(width - synopsis.size() + 3, ' ') +
                std::string(command.summary) + "\n";
    }
    return text +
           "\nAn OUT of - is standard output (decode: a PBM, or a PNG with --png).\n"
           "\nexit status: 0 done, 1 the work failed (check: a page is not ok), 2 bad usage,\n"
           "3 done, but the page is damaged (decode, convert), an image was left out or is\n"
           "damaged (pdf), or the file is cut short (list)\n";
}

Outcome Run(std::span<const std::string> args) {
    if (args.empty())
        return {kBadUsage, {}, UsageLine()};
    const std::string& name = args.front();
    if (name == "--help" || name == "-h")
        return args.size() == 1 ? Done(HelpText()) : BadUsage(name + " takes no arguments");
    if (name == "--version")
        return args.size() == 1 ? Done(std::string(kProgram) + " " + FAXLENS_VERSION + "\n")
                                : BadUsage(name + " takes no arguments");
    const Command* command = FindCommand(name);
    if (command == nullptr)
        return BadUsage("unknown command '" + name + "' (" + std::string(kProgram) +
                        " --help lists the commands)");
    return RunCommand(*command, args.subspan(1));
}

} // namespace faxlens::cli
