#include "ui/ListExport.h"

#include <QFileInfo>
#include <QSaveFile>
#include <array>
#include <ostream>
#include <streambuf>

namespace fendrix {

namespace {

constexpr char kCsvFilter[] = "CSV (*.csv)";
constexpr char kJsonFilter[] = "JSON (*.json)";

// An ostream's bytes into a QIODevice in blocks, so that a list of any size
// is written without holding its text.
class DeviceBuffer : public std::streambuf {
public:
    explicit DeviceBuffer(QIODevice& device) : device_(device) {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain() {
        const qint64 size = pptr() - pbase();
        if (size > 0 && device_.write(pbase(), size) != size) return false;
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return true;
    }

    QIODevice& device_;
    std::array<char, std::size_t{64} * 1024> buffer_{};
};

}  // namespace

std::vector<std::string> exportFilters() { return {kCsvFilter, kJsonFilter}; }

kestrel::RowFormat exportFormat(QString& path, const QString& filter) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv")) return kestrel::RowFormat::Csv;
    if (suffix == QLatin1String("json")) return kestrel::RowFormat::Json;
    const bool json = filter == QLatin1String(kJsonFilter);
    if (suffix.isEmpty() && !QFileInfo(path).fileName().endsWith(QLatin1Char('.')))
        path += json ? QStringLiteral(".json") : QStringLiteral(".csv");
    return json ? kestrel::RowFormat::Json : kestrel::RowFormat::Csv;
}

std::optional<QString> exportRows(const kestrel::DeviceList& rows, const QString& path,
                                  kestrel::RowFormat format) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    DeviceBuffer buffer(file);
    std::ostream out(&buffer);
    kestrel::writeDeviceRows(out, rows, format);
    out.flush();
    if (!out) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

}  // namespace fendrix
