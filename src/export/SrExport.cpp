#include "export/SrExport.h"

#include <libsigrok/libsigrok.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "common/TempDir.h"

namespace kivelo {

namespace {

// Samples per data packet. The module rewrites its zip archive for every
// packet, so packets are few and large.
constexpr int64_t kPacketSamples = int64_t{4} << 20;

struct ContextCloser {
    void operator()(sr_context* ctx) const { sr_exit(ctx); }
};
struct OutputCloser {
    void operator()(const sr_output* o) const { sr_output_free(o); }
};
struct ListFreer {
    void operator()(GSList* list) const { g_slist_free(list); }
};

struct LogicBits {
    int trace = 0;  // index into the plan's traces
    int bits = 0;
    int firstChannel = 0;
};

class SessionWriter {
public:
    explicit SessionWriter(const ExportContext& context)
        : source_(context.source), plan_(context.plan), context_(context) {}

    bool Write(const std::string& path) {
        int64_t rate = 0;
        if (!source_.SampleRate(rate, context_.message)) return false;
        if (plan_.count <= 0) return Fail("A sigrok session needs at least one sample");
        // Only our messages reach the user; the library's log would repeat them on stderr.
        sr_log_loglevel_set(SR_LOG_NONE);
        sr_context* raw = nullptr;
        if (sr_init(&raw) != SR_OK) return Fail("Cannot start libsigrok");
        sigrok_.reset(raw);
        const sr_output_module* module = sr_output_find(const_cast<char*>("srzip"));
        if (module == nullptr) return Fail("libsigrok has no srzip output module");
        // The device is the library's for the rest of the process: 0.5.2 has no call that frees it.
        device_ = sr_dev_inst_user_new("Kivelo", source_.Model().c_str(), "");
        if (device_ == nullptr || !AddChannels()) return Fail("Cannot describe the channels to libsigrok");
        output_.reset(sr_output_new(module, nullptr, device_, path.c_str()));
        if (!output_) return Fail("Cannot start libsigrok's srzip output");

        sr_datafeed_header header{};
        header.feed_version = 1;
        if (!Send(SR_DF_HEADER, &header)) return false;
        sr_config config{SR_CONF_SAMPLERATE, g_variant_new_uint64(static_cast<uint64_t>(rate))};
        g_variant_ref_sink(config.data);
        GSList configs{&config, nullptr};
        sr_datafeed_meta meta{&configs};
        const bool sent = Send(SR_DF_META, &meta);
        g_variant_unref(config.data);
        if (!sent) return false;

        const int block = plan_.blocks.front();
        for (int64_t done = 0; done < plan_.count; done += kPacketSamples) {
            const int64_t n = std::min(kPacketSamples, plan_.count - done);
            if (!SendLogic(block, done, n) || !SendAnalog(block, done, n)) return false;
        }
        return Send(SR_DF_END, nullptr);
    }

private:
    bool AddChannels() {
        int channel = 0;
        for (std::size_t i = 0; i < plan_.traces.size(); ++i) {
            const ExportTrace& t = Trace(i);
            if (t.kind != SampleKind::Logic) continue;
            logic_.push_back({static_cast<int>(i), t.width * 8, channel});
            for (int b = 0; b < t.width * 8; ++b)
                if (sr_dev_inst_channel_add(device_, channel++, SR_CHANNEL_LOGIC,
                                            (NameOf(t) + "." + std::to_string(b)).c_str()) != SR_OK)
                    return false;
        }
        logicBytes_ = (channel + 7) / 8;
        for (std::size_t i = 0; i < plan_.traces.size(); ++i) {
            const ExportTrace& t = Trace(i);
            if (t.kind == SampleKind::Logic) continue;
            analog_.push_back(static_cast<int>(i));
            if (sr_dev_inst_channel_add(device_, channel++, SR_CHANNEL_ANALOG, NameOf(t).c_str()) != SR_OK)
                return false;
        }
        for (GSList* l = sr_dev_inst_channels_get(device_); l != nullptr; l = l->next)
            channels_.push_back(static_cast<sr_channel*>(l->data));
        return true;
    }

    bool SendLogic(int block, int64_t from, int64_t n) {
        if (logic_.empty()) return true;
        packed_.assign(static_cast<std::size_t>(n * logicBytes_), 0);
        for (const LogicBits& l : logic_) {
            const ExportTrace& t = Trace(static_cast<std::size_t>(l.trace));
            raw_.resize(static_cast<std::size_t>(n * t.width));
            if (!ReadRaw(t, block, from, n)) return false;
            for (int64_t s = 0; s < n; ++s) {
                uint32_t word = 0;
                for (int k = 0; k < t.width; ++k)
                    word |= uint32_t{raw_[static_cast<std::size_t>(s * t.width + k)]} << (8 * k);
                uint8_t* row = packed_.data() + s * logicBytes_;
                for (int b = 0; b < l.bits; ++b) {
                    const int c = l.firstChannel + b;
                    if ((word >> b) & 1u) row[c / 8] |= static_cast<uint8_t>(1u << (c % 8));
                }
            }
        }
        sr_datafeed_logic logic{static_cast<uint64_t>(n * logicBytes_), static_cast<uint16_t>(logicBytes_),
                                packed_.data()};
        plan_.Add(n * static_cast<int64_t>(logic_.size()));
        return Send(SR_DF_LOGIC, &logic);
    }

    bool SendAnalog(int block, int64_t from, int64_t n) {
        for (std::size_t a = 0; a < analog_.size(); ++a) {
            const ExportTrace& t = Trace(static_cast<std::size_t>(analog_[a]));
            values_.resize(static_cast<std::size_t>(n));
            floats_.resize(static_cast<std::size_t>(n));
            if (context_.Cancelled()) return false;
            if (!source_.ReadValues(t.index, block, plan_.first + from, n, values_))
                return context_.ReadFailed(t, block, plan_.first + from);
            std::transform(values_.begin(), values_.end(), floats_.begin(),
                           [](double v) { return static_cast<float>(v); });
            sr_analog_encoding encoding{};
            encoding.unitsize = sizeof(float);
            encoding.is_signed = TRUE;
            encoding.is_float = TRUE;
            encoding.digits = 7;
            encoding.is_digits_decimal = TRUE;
            encoding.scale = {1, 1};
            encoding.offset = {0, 1};
            GSList channel{channels_[LogicChannelCount() + a], nullptr};
            sr_analog_meaning meaning{};
            meaning.channels = &channel;
            sr_analog_spec digits{7};
            sr_datafeed_analog analog{floats_.data(), static_cast<uint32_t>(n), &encoding, &meaning, &digits};
            if (!Send(SR_DF_ANALOG, &analog)) return false;
            plan_.Add(n);
        }
        return true;
    }

    std::size_t LogicChannelCount() const {
        std::size_t c = 0;
        for (const LogicBits& l : logic_) c += static_cast<std::size_t>(l.bits);
        return c;
    }

    bool ReadRaw(const ExportTrace& t, int block, int64_t from, int64_t n) {
        if (context_.Cancelled()) return false;
        return source_.ReadRaw(t.index, block, plan_.first + from, n, raw_) ||
               context_.ReadFailed(t, block, plan_.first + from);
    }

    bool Send(uint16_t type, const void* payload) {
        sr_datafeed_packet packet{type, payload};
        GString* text = nullptr;
        const int result = sr_output_send(output_.get(), &packet, &text);
        if (text != nullptr) g_string_free(text, TRUE);
        if (result != SR_OK) return Fail(std::string("libsigrok cannot write the session: ") + sr_strerror(result));
        return true;
    }

    const ExportTrace& Trace(std::size_t i) const {
        return source_.Traces()[static_cast<std::size_t>(plan_.traces[i])];
    }
    static std::string NameOf(const ExportTrace& t) { return t.name.empty() ? t.label : t.name; }

    bool Fail(std::string text) const { return context_.Fail(std::move(text)); }

    ExportSource& source_;
    const ExportPlan& plan_;
    const ExportContext& context_;
    std::unique_ptr<sr_context, ContextCloser> sigrok_;
    sr_dev_inst* device_ = nullptr;
    std::unique_ptr<const sr_output, OutputCloser> output_;
    std::vector<sr_channel*> channels_;
    std::vector<LogicBits> logic_;
    std::vector<int> analog_;
    int logicBytes_ = 0;
    std::vector<uint8_t> packed_;
    std::vector<uint8_t> raw_;
    std::vector<double> values_;
    std::vector<float> floats_;
};

}  // namespace

bool SrExport::Write(const ExportContext& context, StagedFile& out) {
    // The module replaces its file through libzip (a new file renamed over the
    // old), so it writes into a scratch folder and the bytes then go through the
    // staged file like any other output.
    TempDir scratch(FolderOf(out.TargetPath()), ".kivelo-export-");
    if (!scratch.Ok()) return context.Fail("Cannot create a scratch folder beside " + out.TargetPath());
    const std::string path = scratch.File("session.sr");
    {
        SessionWriter writer(context);
        if (!writer.Write(path)) return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return context.Fail("libsigrok wrote no session file");
    std::vector<char> buffer(std::size_t{1} << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.gcount() > 0 && !out.Append(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount()))))
            return context.Fail(out.Error());
    }
    return !in.bad() || context.Fail("Cannot read the session file libsigrok wrote");
}

}  // namespace kivelo
