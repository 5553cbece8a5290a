#include "export/CsvTraceReader.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "wavefile/CFldFile.h"

namespace kivelo {

std::unique_ptr<CsvTextTable> CsvTraceReader::TableFor(CWaveFile& file, int trace) {
    TraceInfo info;
    file.GetTraceInfo(trace, info);
    if ((info.DataWidth != 1 && info.DataWidth != 2) || dynamic_cast<const CFldFile*>(&file) != nullptr) return nullptr;
    const bool isUnsigned = info.DataKind == kKindBit || info.DataKind == kKindUnsigned;
    return std::make_unique<CsvTextTable>(info.VResolution, info.VOffset, isUnsigned, info.DataWidth);
}

CsvTraceReader::CsvTraceReader(int trace, CsvTextTable* table, std::size_t capacity)
    : trace_(trace), table_(table), index_(capacity) {
    if (table_) {
        if (table_->Width() == 1) bytes_.resize(capacity);
        column_ = {index_.data(), table_->Slots(), table_->Lengths(), table_};
        return;
    }
    texts_.resize(capacity);
    slots_.resize(capacity * CsvTextTable::kSlot);
    lengths_.resize(capacity);
    for (std::size_t i = 0; i < capacity; ++i) index_[i] = static_cast<uint16_t>(i);
    column_ = {index_.data(), slots_.data(), lengths_.data(), nullptr};
}

int CsvTraceReader::Fetch(const CWaveFile& file, int block, int64_t pos, int64_t count, int64_t& got) {
    const auto n = static_cast<std::size_t>(count);
    if (table_ && table_->Width() == 2) {
        // The samples are the slot numbers.
        const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(index_.data()), 2 * n);
        return file.ReadData(block, trace_, pos, count, bytes, got, kWidthNative);
    }
    if (table_) {
        const int result = file.ReadData(block, trace_, pos, count, std::span(bytes_).first(n), got, kWidthNative);
        std::copy_n(bytes_.begin(), std::max<int64_t>(got, 0), index_.begin());
        return result;
    }
    const int result = file.ReadText(block, trace_, pos, count, std::span(texts_).first(n), got);
    for (std::size_t i = 0; i < static_cast<std::size_t>(std::max<int64_t>(got, 0)); ++i) {
        char* slot = slots_.data() + i * CsvTextTable::kSlot;
        const std::size_t length = ::strnlen(texts_[i].data(), CsvTextTable::kSlot - 1);
        std::memcpy(slot, texts_[i].data(), length);
        slot[length] = ',';
        lengths_[i] = static_cast<uint8_t>(length + 1);
    }
    return result;
}

}  // namespace kivelo
