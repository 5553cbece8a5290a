#include "instrument/download/DownloadTransfer.h"

#include <string>
#include <string_view>
#include <thread>

#include "instrument/download/BlockReceiver.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/drivers/AnswerText.h"
#include "instrument/drivers/IdentifyInstrument.h"
#include "instrument/drivers/PortText.h"

namespace kivelo {

namespace {

struct FamilyTransfer {
    std::string_view setup;         // block format command
    std::string_view selectRecord;  // command prefix that selects a record
    bool settles;                   // the instrument needs a moment after selecting
};

constexpr FamilyTransfer kRecorderTransfer{"WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF", "WAV:REC ", false};
constexpr FamilyTransfer kNSingleTransfer{"WAV:STAR 0;END 100200;FORM WORD;DAT ACQD;BYT MSBF", "TRIG:NSIN:DCOU ", true};
constexpr FamilyTransfer kDisplayCountTransfer{"WAV:STAR 0;END 2004000;FORM WORD;DAT ACQD;BYT MSBF", "DISP:COUN ",
                                               true};

const FamilyTransfer& TransferOf(int model) {
    switch (model) {
    case ModelId::kQV818:
    case ModelId::kQV826:
    case ModelId::kQV4300: return kRecorderTransfer;
    case ModelId::kQV6010:
    case ModelId::kQV6020:
    case ModelId::kQV6030: return kNSingleTransfer;
    default: return kDisplayCountTransfer;
    }
}

int Send(CInstrumentPort& port, std::string_view text, const BlockReceiver& receiver) {
    if (WriteCommand(port, text)) return kDownloadOk;
    return receiver.IsCancelled() ? kDownloadInterrupted : kDownloadPortError;
}

}  // namespace

int TransferTrace(int model, int channel, const DownloadRecords& records, CInstrumentPort& port,
                  BlockReceiver& receiver, std::chrono::milliseconds settle) {
    const FamilyTransfer& family = TransferOf(model);
    if (int result = Send(port, WithNumber("WAV:TRAC ", channel), receiver); result != kDownloadOk) return result;
    if (int result = Send(port, family.setup, receiver); result != kDownloadOk) return result;
    if (records.count < 2) return receiver.ReceiveBlock(records.points);

    for (int64_t r = 0; r < records.count; ++r) {
        if (int result = Send(port, WithNumber(family.selectRecord, records.first + r), receiver);
            result != kDownloadOk)
            return result;
        if (family.settles && settle.count() > 0) std::this_thread::sleep_for(settle);
        if (int result = receiver.ReceiveBlock(records.points); result != kDownloadOk) return result;
    }
    return kDownloadOk;
}

}  // namespace kivelo
