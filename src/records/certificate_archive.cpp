#include "records/certificate_archive.h"

#include "records/certificate.h"
#include "records/certificate_stamp.h"
#include "records/data_dirs.h"
#include "records/locations.h"
#include "records/sensor_number.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// The type directory below the archive that mirrors the one below Датчики.
std::string ArchiveTypeDirectory(const SensorIdentity& identity, const SensorTypeTable& table) {
    const std::string typeDir = TypeDirectoryPath(identity.GasNumber, identity.TypeNumber, table);
    return std::string(locations::ArchiveDir) + typeDir.substr(locations::SensorsDir.size());
}

std::string StampSuffix(std::string_view oldBytes) {
    const auto stamp = CertificateStampOf(oldBytes);
    if (!stamp) return "_undated";
    std::string time = stamp->time;
    for (char& c : time) {
        if (c == ':') c = '-';
    }
    return "_" + IsoDateText(stamp->date) + "_" + time;
}

std::string PdfPath(std::string_view certificatePath) {
    return std::string(certificatePath.substr(0, certificatePath.size() - 4)) + ".pdf";
}

// The PDF made from the old certificate (the log page writes it beside the
// .dat) goes with it, so that no PDF beside the new certificate shows the old
// one; when it cannot be moved it is removed (the log page makes it again).
bool ArchivePdf(std::string_view current, std::string_view archived, FileSystem& fs) {
    const std::string pdf = PdfPath(current);
    if (!fs.Exists(pdf)) return true;
    return fs.Replace(pdf, PdfPath(archived)) || fs.Remove(pdf);
}

}  // namespace

std::string ArchivedCertificatePath(const SensorIdentity& identity, const SensorTypeTable& table,
                                    std::string_view oldBytes) {
    return ArchiveTypeDirectory(identity, table) + "\\" + SensorFileNumber(identity) + StampSuffix(oldBytes) +
           ".dat";
}

bool ArchiveCertificate(const SensorIdentity& identity, const SensorTypeTable& table, FileSystem& fs,
                        ErrorText& error) {
    const std::string current = CertificatePath(identity, table);
    if (!fs.Exists(current)) return true;
    std::string target = ArchivedCertificatePath(identity, table, "");
    // The system's reason (a full disk, say) goes on a line of its own, when known.
    std::string cause;
    auto fail = [&] {
        if (cause.empty()) cause = fs.FailureCause();
        error.Set(std::string("Не могу сохранить прежний сертификат в архиве "_cp) + target + "\r\n" +
                  std::string("Новый сертификат не записан."_cp) + (cause.empty() ? "" : "\r\n" + cause));
        return false;
    };
    const auto old = fs.ReadAll(current, kMaxCertificateSize);
    if (!old) return fail();
    target = ArchivedCertificatePath(identity, table, *old);

    // Архив, its gas directory and its type directory, each made when missing.
    const std::string typeDir = ArchiveTypeDirectory(identity, table);
    for (std::size_t pos = locations::ArchiveDir.size(); pos != std::string::npos;
         pos = typeDir.find('\\', pos + 1)) {
        const std::string dir = typeDir.substr(0, pos);
        if (!fs.IsDirectory(dir) && !fs.MakeDirectory(dir)) return fail();
    }
    if (!fs.IsDirectory(typeDir) && !fs.MakeDirectory(typeDir)) return fail();

    // An archived certificate is never replaced: the same bytes are kept
    // already (a save that stopped after archiving), other bytes get a number.
    const std::string stem = target.substr(0, target.size() - 4);
    bool kept = false;
    for (int n = 2; !kept && fs.Exists(target); ++n) {
        kept = fs.ReadAll(target, kMaxCertificateSize) == old;
        if (kept) break;
        if (n > 999) return fail();
        target = stem + "_" + std::to_string(n) + ".dat";
    }
    if (!kept && !WriteFileAtomically(fs, target, *old, cause)) return fail();
    if (ArchivePdf(current, target, fs)) return true;
    target = PdfPath(current);
    return fail();
}

}  // namespace gvc
