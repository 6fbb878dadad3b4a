#include "cli/central_server_check.h"

#include "central/central_schema.h"
#include "util/cp1251.h"

namespace gvc::cli {

namespace {

using namespace gvc::literals;

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string ServerName(const PgConnectOptions& o) {
    return Cp1251FromUtf8(o.host) + ":" + std::to_string(o.port > 0 ? o.port : 5432);
}

std::string ProblemLine(CentralProblem problem, const PgConnectOptions& o, std::string_view detail) {
    const std::string server = ServerName(o);
    const std::string user = Cp1251FromUtf8(o.user);
    const std::string database = Cp1251FromUtf8(o.database);
    switch (problem) {
        case CentralProblem::kNone:
            return {};
        case CentralProblem::kNotReached:
            return std::string("сервер "_cp) + server + std::string(" не отвечает (адрес, порт, сеть)"_cp);
        case CentralProblem::kNotAccepting:
            return std::string("сервер "_cp) + server +
                   std::string(" не принимает соединений (запускается или останавливается)"_cp);
        case CentralProblem::kAuthentication:
            return std::string("сервер "_cp) + server + std::string(" не принял пользователя "_cp) + user +
                   std::string(" с этим паролем"_cp);
        case CentralProblem::kNoDatabase:
            return std::string("на сервере "_cp) + server + std::string(" нет базы данных "_cp) + database;
        case CentralProblem::kNoSchema:
            return std::string("в базе "_cp) + database + std::string(" на сервере "_cp) + server +
                   std::string(" нет схемы gvc (gvc-cli central init)"_cp);
        case CentralProblem::kNotWorkstation:
            return std::string("пользователь "_cp) + user + std::string(" не входит в роль "_cp) +
                   std::string(kWorkstationRole) +
                   std::string(
                       ": это не учётная запись рабочего места (gvc-cli central add-user без --reader)"_cp);
        case CentralProblem::kOther:
            break;
    }
    return std::string("сервер "_cp) + server + std::string(" отказал: "_cp) + std::string(detail);
}

CentralCheck Failed(CentralProblem problem, const PgConnectOptions& o, std::string_view detail) {
    CentralCheck check;
    check.problem = problem;
    check.line = ProblemLine(problem, o, detail);
    return check;
}

}  // namespace

CentralProblem ConnectionProblem(std::string_view message, bool serverAnswers) {
    if (!serverAnswers) return CentralProblem::kNotReached;
    // The server's own words, in English or (a server set to Russian) in Russian.
    if ((Contains(message, "database \"") && Contains(message, "does not exist")) ||
        (Contains(message, "база данных \""_cp) && Contains(message, "не существует"_cp)))
        return CentralProblem::kNoDatabase;
    for (const std::string_view sign :
         {std::string_view("authentication"), std::string_view("password"), std::string_view("pg_hba.conf"),
          std::string_view("role \""), "проверку подлинности"_cp, "парол"_cp, "роль \""_cp})
        if (Contains(message, sign)) return CentralProblem::kAuthentication;
    return CentralProblem::kOther;
}

CentralCheck CheckCentralServer(const PgConnectOptions& options, bool asWorkstation) {
    std::string message;
    auto connection = PgConnection::Connect(options, message);
    if (!connection) {
        const PgPing ping = PgConnection::Ping(options);
        if (ping == PgPing::kRejecting) return Failed(CentralProblem::kNotAccepting, options, message);
        const CentralProblem problem = ConnectionProblem(message, ping == PgPing::kAccepting);
        return Failed(problem, options, message);
    }
    const auto version = CentralSchemaVersion(*connection, message);
    if (!version) return Failed(CentralProblem::kOther, options, message);
    if (*version == 0) return Failed(CentralProblem::kNoSchema, options, {});
    if (asWorkstation) {
        const PgResult member = connection->Exec("SELECT pg_has_role(current_user, $1, 'MEMBER')",
                                                 PgParams().Text(kWorkstationRole));
        if (!member.Ok()) return Failed(CentralProblem::kOther, options, connection->Error());
        if (member.Text(0, 0) != "t") return Failed(CentralProblem::kNotWorkstation, options, {});
    }
    CentralCheck check;
    check.schemaVersion = *version;
    check.connection = std::move(connection);
    return check;
}

}  // namespace gvc::cli
