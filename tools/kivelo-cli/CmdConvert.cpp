// kivelo-cli convert: a realtime file to a .wvf/.hdr pair.
#include <cstdio>

#include "CliArgs.h"
#include "export/RealtimeConversion.h"

namespace kivelo::cli {

namespace {

constexpr int64_t kConvertCache = 65536;

const char kHelp[] =
    "Usage: kivelo-cli convert FILE.rtm -o OUT.wvf [--ratio 1|100|1000]\n"
    "Copies the samples of a realtime file at full rate (1) or reduced 100 or 1000 times\n"
    "into OUT.wvf and writes its header beside it (OUT.hdr).\n"
    "Exit codes: 0 written, 1 failure, 2 usage error, 5 OUT.wvf exists and is not empty.\n";

}  // namespace

int RunConvert(int argc, char** argv) {
    CliArgs args({{"-o", true}, {"--ratio", true}});
    int exitCode = kExitOk;
    if (!args.ParseCommand(argc, argv, "convert", kHelp, "FILE.rtm", exitCode)) return exitCode;
    const std::string& source = args.Positional()[0];
    if (!EndsWithNoCase(source, "rtm")) return UsageError("convert", "FILE must be a .rtm file");
    const std::string* output = args.Value("-o");
    if (output == nullptr || output->empty()) return UsageError("convert", "missing -o OUT.wvf");
    const std::string* ratio = args.Value("--ratio");
    int mode = 0;
    if (ratio != nullptr) {
        if (*ratio == "100") mode = 1;
        else if (*ratio == "1000") mode = 2;
        else if (*ratio != "1") return UsageError("convert", "--ratio must be 1, 100 or 1000");
    }

    CRtmFile file(source, kConvertCache);
    if (!file.IsOpen()) return Report(FailedOpenMessage(file.GetOpenFailure().cause, MessageForm::Line));
    std::string message;
    int result = SaveAsWvf(file, mode, *output, message);
    if (result == kConvertExists) return Report("File already exists.", kExitConvertExists);
    if (result != kConvertOk) return Report(message);
    std::printf("WVF written to %s and %s\n", output->c_str(), ConvertedHeaderPath(*output).c_str());
    return kExitOk;
}

}  // namespace kivelo::cli
