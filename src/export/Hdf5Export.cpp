#include "export/Hdf5Export.h"

#include <fcntl.h>
#include <hdf5.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "common/UniqueFd.h"

namespace kivelo {

namespace {

// Samples per chunk of a dataset: about 1 MB.
constexpr int64_t kChunkBytes = int64_t{1} << 20;
constexpr int64_t kWritebackBytes = int64_t{8} << 20;
constexpr hsize_t kPageBytes = 4096;
constexpr hsize_t kAlignThreshold = 65536;

// An HDF5 identifier closed by its own close function.
class Hid {
public:
    Hid(hid_t id, herr_t (*close)(hid_t)) : id_(id), close_(close) {}
    ~Hid() {
        if (id_ >= 0) close_(id_);
    }
    Hid(const Hid&) = delete;
    Hid& operator=(const Hid&) = delete;
    bool Ok() const { return id_ >= 0; }
    hid_t Get() const { return id_; }
    // Closes now and tells whether that worked (a file's close writes its metadata).
    bool Close() {
        hid_t id = std::exchange(id_, -1);
        return id < 0 || close_(id) >= 0;
    }

private:
    hid_t id_;
    herr_t (*close_)(hid_t);
};

hid_t NativeType(const ExportTrace& trace) {
    const bool isSigned = trace.kind == SampleKind::Signed;
    switch (trace.width) {
    case 1: return isSigned ? H5T_NATIVE_INT8 : H5T_NATIVE_UINT8;
    case 2: return isSigned ? H5T_NATIVE_INT16 : H5T_NATIVE_UINT16;
    default:
        if (trace.kind == SampleKind::Float) return H5T_NATIVE_FLOAT;
        return isSigned ? H5T_NATIVE_INT32 : H5T_NATIVE_UINT32;
    }
}

bool TextAttribute(hid_t at, const char* name, const std::string& value) {
    Hid type(H5Tcopy(H5T_C_S1), H5Tclose);
    if (!type.Ok() || H5Tset_size(type.Get(), H5T_VARIABLE) < 0 || H5Tset_cset(type.Get(), H5T_CSET_UTF8) < 0)
        return false;
    Hid space(H5Screate(H5S_SCALAR), H5Sclose);
    Hid attr(H5Acreate2(at, name, type.Get(), space.Get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    const char* text = value.c_str();
    return attr.Ok() && H5Awrite(attr.Get(), type.Get(), &text) >= 0;
}

template <class T>
bool NumberAttribute(hid_t at, const char* name, hid_t type, T value) {
    Hid space(H5Screate(H5S_SCALAR), H5Sclose);
    Hid attr(H5Acreate2(at, name, type, space.Get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    return attr.Ok() && H5Awrite(attr.Get(), type, &value) >= 0;
}

class Writer {
public:
    explicit Writer(const ExportContext& context) : source_(context.source), plan_(context.plan), context_(context) {}

    bool Write(const std::string& path) {
        // Our own messages say what failed; the library's stack print would only repeat it.
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
        // Chunks start on page boundaries: a chunk written next to one the disk is
        // still taking would otherwise wait for it to share a page.
        Hid access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
        // The staged file is ours alone; a lock would only fail on file systems without locks.
        if (!access.Ok() || H5Pset_alignment(access.Get(), kAlignThreshold, kPageBytes) < 0 ||
            H5Pset_file_locking(access.Get(), false, true) < 0)
            return Fail("Cannot lay out the HDF5 file");
        Hid file(H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access.Get()), H5Fclose);
        if (!file.Ok()) return Fail("Cannot create the HDF5 file");
        watch_.Reset(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
        const HorzInfo& horz = source_.Horz();
        if (!TextAttribute(file.Get(), "model", source_.Model()) ||
            !NumberAttribute(file.Get(), "hresolution", H5T_NATIVE_DOUBLE, horz.HResolution) ||
            !NumberAttribute(file.Get(), "hoffset", H5T_NATIVE_DOUBLE, horz.HOffset) ||
            !TextAttribute(file.Get(), "hunit", horz.HUnit) || !TextAttribute(file.Get(), "source", plan_.sourceName))
            return Fail("Cannot write the HDF5 file's attributes");
        for (int t : plan_.traces)
            if (!WriteTrace(file.Get(), source_.Traces()[static_cast<std::size_t>(t)])) return false;
        if (!file.Close()) return Fail("Cannot complete the HDF5 file");
        return true;
    }

private:
    bool WriteTrace(hid_t file, const ExportTrace& trace) {
        // No object times: the same record exported twice gives the same bytes.
        Hid create(H5Pcreate(H5P_GROUP_CREATE), H5Pclose);
        if (!create.Ok() || H5Pset_obj_track_times(create.Get(), false) < 0)
            return Fail("Cannot lay out the HDF5 group " + trace.label);
        Hid group(H5Gcreate2(file, trace.label.c_str(), H5P_DEFAULT, create.Get(), H5P_DEFAULT), H5Gclose);
        if (!group.Ok() || !TextAttribute(group.Get(), "name", trace.name) ||
            !TextAttribute(group.Get(), "unit", trace.unit) ||
            !TextAttribute(group.Get(), "kind", std::string(SampleKindName(trace.kind))) ||
            !NumberAttribute(group.Get(), "vresolution", H5T_NATIVE_DOUBLE, trace.vResolution) ||
            !NumberAttribute(group.Get(), "voffset", H5T_NATIVE_DOUBLE, trace.vOffset))
            return Fail("Cannot write the HDF5 group " + trace.label);
        for (int b : plan_.blocks)
            if (!WriteBlock(group.Get(), trace, b)) return false;
        return true;
    }

    bool WriteBlock(hid_t group, const ExportTrace& trace, int block) {
        const int64_t count = plan_.CountOf(source_, trace.index, block);
        const std::string name = "block" + std::to_string(block);
        const auto dims = static_cast<hsize_t>(count);
        const hsize_t chunk = static_cast<hsize_t>(std::clamp<int64_t>(count, 1, kChunkBytes / trace.width));
        Hid space(H5Screate_simple(1, &dims, nullptr), H5Sclose);
        Hid props(H5Pcreate(H5P_DATASET_CREATE), H5Pclose);
        // Every chunk is written whole, once: no fill values first.
        if (!space.Ok() || !props.Ok() || H5Pset_chunk(props.Get(), 1, &chunk) < 0 ||
            H5Pset_fill_time(props.Get(), H5D_FILL_TIME_NEVER) < 0 || H5Pset_obj_track_times(props.Get(), false) < 0)
            return Fail("Cannot lay out the HDF5 dataset " + trace.label + "/" + name);
        const hid_t type = NativeType(trace);
        Hid data(H5Dcreate2(group, name.c_str(), type, space.Get(), H5P_DEFAULT, props.Get(), H5P_DEFAULT), H5Dclose);
        std::string date, time;
        source_.DateTime(block, date, time);
        if (!data.Ok() || !TextAttribute(data.Get(), "date", date) || !TextAttribute(data.Get(), "time", time) ||
            !NumberAttribute(data.Get(), "first", H5T_NATIVE_INT64, plan_.first))
            return Fail("Cannot create the HDF5 dataset " + trace.label + "/" + name);

        // Each chunk goes to the file as it is, past the library's selections and
        // buffers: the samples are stored in their own type and order. The last
        // chunk is stored whole, its tail zero.
        const auto chunkSamples = static_cast<int64_t>(chunk);
        buffer_.resize(static_cast<std::size_t>(chunkSamples * trace.width));
        for (int64_t done = 0; done < count;) {
            if (context_.Cancelled()) return false;
            const int64_t n = std::min(chunkSamples, count - done);
            if (n < chunkSamples) std::fill(buffer_.begin(), buffer_.end(), uint8_t{0});
            if (!source_.ReadRaw(trace.index, block, plan_.first + done, n, buffer_))
                return context_.ReadFailed(trace, block, plan_.first + done);
            const auto offset = static_cast<hsize_t>(done);
            if (H5Dwrite_chunk(data.Get(), H5P_DEFAULT, 0, &offset, buffer_.size(), buffer_.data()) < 0)
                return Fail("Cannot write the HDF5 dataset " + trace.label + "/" + name);
            done += n;
            plan_.Add(n);
            StartWriteback();
        }
        return true;
    }

    bool Fail(std::string text) const { return context_.Fail(std::move(text)); }

    // The library writes through a descriptor of its own; the pages it leaves are
    // sent to the disk while the export goes on, so that the staged file's final
    // sync finds little left (as StagedFile does for its own writes).
    void StartWriteback() {
        struct stat st {};
        if (!watch_.IsOpen() || ::fstat(watch_.Get(), &st) != 0 || st.st_size - writebackStart_ < kWritebackBytes)
            return;
        ::sync_file_range(watch_.Get(), writebackStart_, st.st_size - writebackStart_, SYNC_FILE_RANGE_WRITE);
        writebackStart_ = st.st_size;
    }

    ExportSource& source_;
    const ExportPlan& plan_;
    const ExportContext& context_;
    std::vector<uint8_t> buffer_;
    UniqueFd watch_;
    int64_t writebackStart_ = 0;  // where the writeback not yet asked for begins
};

}  // namespace

bool Hdf5Export::Write(const ExportContext& context, StagedFile& out) {
    // The library writes the staged file by its name, through a descriptor of its own.
    Writer writer(context);
    return writer.Write(out.StagedPath());
}

}  // namespace kivelo
