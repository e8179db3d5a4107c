// Names of the database objects and command-line tools the program relies
// on, and the numbers the server gives meaning to.
#pragma once

namespace server {

inline constexpr const char* kDealerTable = "tbl_DealerMaster";
inline constexpr const char* kStagingTable = "tbl_ConvertSolvaneToOrbelle";
inline constexpr const char* kSingleProcedureToOrbelle = "stp_ConvertSolvaneToOrbelle";
inline constexpr const char* kSingleProcedureToSolvane = "stp_ConvertOrbelleToSolvane";
inline constexpr const char* kBulkProcedure = "stp_ConvertSolvaneToOrbelleBulk";
inline constexpr const char* kQueryTool = "osql";
inline constexpr const char* kBulkCopyTool = "bcp";

// The direction of a conversion, numbered as the bulk procedure takes it.
enum class ConversionType : int {
    SolvaneToOrbelle = 1, // clients move from Solvane to Orbelle
    OrbelleToSolvane = 2, // and back
};

// nDealerCategory of a tbl_DealerMaster row.
enum class DealerCategory : int {
    SolvaneClient = 2, // a client that can be converted to Orbelle
    OrbelleClient = 4, // a client that can be converted back to Solvane
    Group = 7,         // a group of clients
};

// The clients a conversion in `type` starts from.
constexpr DealerCategory SourceCategory(ConversionType type) {
    return type == ConversionType::SolvaneToOrbelle ? DealerCategory::SolvaneClient
                                                    : DealerCategory::OrbelleClient;
}

} // namespace server
