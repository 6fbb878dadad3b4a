// The certificate check on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "records/certificate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const gvc::CertificateCheck check = gvc::VerifyCertificate(bytes);
    GVC_FUZZ_CHECK(check.ok == check.message.empty());
    if (check.ok) GVC_FUZZ_CHECK(check.lines * (gvc::kCertificateLineWidth + 2) <= bytes.size());
    return 0;
}
