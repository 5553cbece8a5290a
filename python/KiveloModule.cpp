// The Python module kivelo: waveform records as NumPy arrays. Errors become
// OSError or ValueError with the program's message; reads run without the
// interpreter's lock, several at once on one record.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <optional>
#include <string>
#include <variant>

#include "RecordFile.h"
#include "RecordMeasure.h"

namespace py = pybind11;
using kivelo::py::RecordFile;
using kivelo::py::RecordTrace;
using kivelo::py::Status;

namespace {

using TraceArg = std::variant<int64_t, std::string>;

[[noreturn]] void Raise(const Status& s) {
    if (s.code == Status::kIoError) {
        // OSError(errno, text) picks the matching subclass (FileNotFoundError ...).
        PyObject* args =
            s.error != 0 ? Py_BuildValue("(is)", s.error, s.message.c_str()) : Py_BuildValue("(s)", s.message.c_str());
        PyErr_SetObject(PyExc_OSError, args);
        Py_XDECREF(args);
        throw py::error_already_set();
    }
    throw py::value_error(s.message);
}

void Require(const Status& s) {
    if (!s) Raise(s);
}

int TraceIndex(RecordFile& r, const TraceArg& trace) {
    const auto& traces = r.Traces();
    if (const auto* i = std::get_if<int64_t>(&trace)) {
        if (*i < 0 || *i >= static_cast<int64_t>(traces.size()))
            throw py::value_error("the record has no trace " + std::to_string(*i) + " (it has " +
                                  std::to_string(traces.size()) + ")");
        return static_cast<int>(*i);
    }
    const std::string& text = std::get<std::string>(trace);
    // Labels first: a trace named like another's label is still reached by its index.
    for (const RecordTrace& t : traces)
        if (t.label == text) return t.index;
    for (const RecordTrace& t : traces)
        if (t.name == text) return t.index;
    throw py::value_error("the record has no trace labelled or named \"" + text + "\"");
}

int BlockIndex(int64_t block) {
    if (block < 0 || block > INT32_MAX) throw py::value_error("the record has no block " + std::to_string(block));
    return static_cast<int>(block);
}

// The span's count: the rest of the block when none is given.
int64_t SpanCount(RecordFile& r, int trace, int block, int64_t first, const std::optional<int64_t>& count) {
    if (count) return *count;
    int64_t size = 0;
    Require(r.BlockSize(trace, block, size));
    return size - first;
}

py::array NewArray(const RecordTrace& t, int64_t count) {
    const py::ssize_t n = count;
    if (t.kind == "float") return py::array_t<float>(n);
    const bool isSigned = t.kind == "signed";
    switch (t.width) {
    case 1: return isSigned ? py::array(py::array_t<int8_t>(n)) : py::array(py::array_t<uint8_t>(n));
    case 2: return isSigned ? py::array(py::array_t<int16_t>(n)) : py::array(py::array_t<uint16_t>(n));
    case 4: return isSigned ? py::array(py::array_t<int32_t>(n)) : py::array(py::array_t<uint32_t>(n));
    default: return py::array_t<uint8_t>(0);
    }
}

py::array Raw(RecordFile& r, const TraceArg& traceArg, int64_t blockArg, int64_t first,
              std::optional<int64_t> countArg) {
    const int trace = TraceIndex(r, traceArg);
    const int block = BlockIndex(blockArg);
    const int64_t count = SpanCount(r, trace, block, first, countArg);
    // Checked before the array is made: a bad span must not allocate its size.
    Require(r.WithSpan(trace, block, first, count, [](auto&) { return Status{}; }));
    const RecordTrace& t = r.Traces()[static_cast<std::size_t>(trace)];
    py::array out = NewArray(t, count);
    std::span<uint8_t> dst(static_cast<uint8_t*>(out.mutable_data()), static_cast<std::size_t>(count * t.width));
    Status s;
    {
        py::gil_scoped_release unlocked;
        s = r.ReadRaw(trace, block, first, count, dst);
    }
    Require(s);
    return out;
}

py::array_t<double> Values(RecordFile& r, const TraceArg& traceArg, int64_t blockArg, int64_t first,
                           std::optional<int64_t> countArg) {
    const int trace = TraceIndex(r, traceArg);
    const int block = BlockIndex(blockArg);
    const int64_t count = SpanCount(r, trace, block, first, countArg);
    Require(r.WithSpan(trace, block, first, count, [](auto&) { return Status{}; }));
    py::array_t<double> out(static_cast<py::ssize_t>(count));
    std::span<double> dst(out.mutable_data(), static_cast<std::size_t>(count));
    Status s;
    {
        py::gil_scoped_release unlocked;
        s = r.ReadValues(trace, block, first, count, dst);
    }
    Require(s);
    return out;
}

py::array_t<double> Times(RecordFile& r, int64_t blockArg, int64_t first, std::optional<int64_t> countArg) {
    const int block = BlockIndex(blockArg);
    int64_t size = 0;
    Require(r.LongestBlock(block, size));
    const int64_t count = countArg.value_or(size - first);
    if (first < 0 || count < 0 || first > size || count > size - first)
        throw py::value_error("samples " + std::to_string(first) + " .. " + std::to_string(first + count) +
                              " are outside block " + std::to_string(block) + ", which holds " + std::to_string(size) +
                              " samples");
    py::array_t<double> out(static_cast<py::ssize_t>(count));
    double* t = out.mutable_data();
    const double res = r.Horizontal().HResolution, off = r.Horizontal().HOffset;
    {
        py::gil_scoped_release unlocked;
        for (int64_t i = 0; i < count; ++i) t[i] = static_cast<double>(first + i) * res + off;
    }
    return out;
}

py::dict Measure(RecordFile& r, const TraceArg& traceArg, int64_t blockArg, int64_t first,
                 std::optional<int64_t> countArg) {
    const int trace = TraceIndex(r, traceArg);
    const int block = BlockIndex(blockArg);
    const int64_t count = SpanCount(r, trace, block, first, countArg);
    kivelo::py::MeasureResult m;
    Status s;
    {
        py::gil_scoped_release unlocked;
        s = kivelo::py::MeasureSpan(r, trace, block, first, count, m);
    }
    if (s.code == Status::kUnavailable) throw std::runtime_error(s.message);
    Require(s);
    const RecordTrace& t = r.Traces()[static_cast<std::size_t>(trace)];
    py::dict d;
    d["trace"] = t.label;
    d["name"] = t.name;
    d["unit"] = t.unit;
    d["kind"] = t.kind;
    for (const auto& [key, value] : m.values) d[py::str(key)] = value ? py::object(py::float_(*value)) : py::none();
    d["nan"] = m.nan;
    return d;
}

// The date (0) or time (1) text of a block.
template <int Which>
std::string DateTime(RecordFile& r, int64_t block) {
    std::string texts[2];
    Require(r.DateTime(BlockIndex(block), texts[0], texts[1]));
    return texts[Which];
}

std::string TraceRepr(const RecordTrace& t) {
    return "<kivelo.Trace " + t.label + " name='" + t.name + "' unit='" + t.unit + "' kind=" + t.kind +
           " width=" + std::to_string(t.width) + ">";
}

}  // namespace

PYBIND11_MODULE(kivelo, m) {
    m.doc() =
        "Waveform records of the QV series (.wvf with its .hdr, .rtm, .fld) as NumPy arrays.\n\n"
        "    with kivelo.open('wave.wvf') as rec:\n"
        "        v = rec.values('W1')";

    py::class_<RecordTrace>(m, "Trace", "One trace of a record.")
        .def_readonly("label", &RecordTrace::label, "\"W1\", \"W2\", ...")
        .def_readonly("index", &RecordTrace::index, "position in the file, from 0")
        .def_readonly("name", &RecordTrace::name)
        .def_readonly("unit", &RecordTrace::unit)
        .def_readonly("kind", &RecordTrace::kind, "\"signed\", \"unsigned\", \"float\" or \"logic\"")
        .def_readonly("width", &RecordTrace::width, "bytes per stored sample")
        .def_readonly("vresolution", &RecordTrace::vresolution)
        .def_readonly("voffset", &RecordTrace::voffset)
        .def("__repr__", &TraceRepr);

    py::class_<RecordFile>(m, "Record", "An open waveform record; kivelo.open() makes one.")
        .def_property_readonly("path", &RecordFile::Path)
        .def_property_readonly("model", &RecordFile::Model)
        .def_property_readonly("hresolution", [](RecordFile& r) { return r.Horizontal().HResolution; })
        .def_property_readonly("hoffset", [](RecordFile& r) { return r.Horizontal().HOffset; })
        .def_property_readonly("hunit", [](RecordFile& r) { return r.Horizontal().HUnit; })
        .def_property_readonly("blocks", &RecordFile::Blocks, "the number of records (blocks)")
        .def_property_readonly("traces", &RecordFile::Traces)
        .def_property_readonly("closed", &RecordFile::IsClosed)
        .def(
            "block_size",
            [](RecordFile& r, const TraceArg& trace, int64_t block) {
                int64_t size = 0;
                Require(r.BlockSize(TraceIndex(r, trace), BlockIndex(block), size));
                return size;
            },
            py::arg("trace"), py::arg("block") = 0, "samples of the trace in the block")
        .def("date", &DateTime<0>, py::arg("block") = 0, "the block's date text, as the file gives it")
        .def("time", &DateTime<1>, py::arg("block") = 0, "the block's time text, as the file gives it")
        .def("raw", &Raw, py::arg("trace"), py::arg("block") = 0, py::arg("first") = 0, py::arg("count") = py::none(),
             "samples first .. first+count-1 in their stored type, in the machine's byte order")
        .def("values", &Values, py::arg("trace"), py::arg("block") = 0, py::arg("first") = 0,
             py::arg("count") = py::none(), "physical values: raw x vresolution + voffset, as float64")
        .def("times", &Times, py::arg("block") = 0, py::arg("first") = 0, py::arg("count") = py::none(),
             "sample times in seconds: i x hresolution + hoffset (count: to the end of the longest trace)")
        .def("measure", &Measure, py::arg("trace"), py::arg("block") = 0, py::arg("first") = 0,
             py::arg("count") = py::none(), "the measurements of kivelo-cli measure --json for one trace")
        // Without the interpreter's lock: a close waits for another thread's read to end.
        .def("close", &RecordFile::Close, py::call_guard<py::gil_scoped_release>())
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__",
             [](RecordFile& r, py::args) {
                 py::gil_scoped_release unlocked;
                 r.Close();
             })
        .def("__repr__", [](RecordFile& r) {
            return std::string("<kivelo.Record ") + (r.IsClosed() ? "closed " : "") + "'" + r.Path() +
                   "' model=" + r.Model() + " traces=" + std::to_string(r.Traces().size()) +
                   " blocks=" + std::to_string(r.Blocks()) + ">";
        });

    m.def(
        "open",
        [](const py::object& pathArg) {
            // str, bytes or os.PathLike; names that are not UTF-8 pass as bytes.
            const std::string path = py::module_::import("os").attr("fsencode")(pathArg).cast<std::string>();
            Status s;
            std::unique_ptr<RecordFile> record;
            {
                py::gil_scoped_release unlocked;
                record = RecordFile::Open(path, s);
            }
            Require(s);
            if (!record->Warning().empty() && PyErr_WarnEx(PyExc_UserWarning, record->Warning().c_str(), 1) != 0)
                throw py::error_already_set();  // warnings turned into errors
            return record;
        },
        py::arg("path"), "opens a .wvf, .rtm or .fld record; also a context manager that closes it");
}
