-- The dealer master, the history of conversions and the staging table of
-- bulk uploads. Safe to run again: it only adds what is missing.

-- Groups (category 7) and their clients: 2 on Solvane, 4 on Orbelle. A
-- client's sGroupCode is its group's sDealerCode.
create table if not exists tbl_DealerMaster (
    sDealerId varchar(20) not null collate nocase primary key,
    sDealerCode varchar(20) collate nocase,
    sGroupCode varchar(20) collate nocase,
    sDealerName varchar(100),
    nDealerCategory int not null
);
-- The group list, and any query of one category, read only this index.
create index if not exists ix_DealerMaster_Category
    on tbl_DealerMaster(nDealerCategory, sDealerId);
-- The client list of a group in one category.
create index if not exists ix_DealerMaster_Group
    on tbl_DealerMaster(sGroupCode, nDealerCategory);
-- From a client's group code back to its group.
create index if not exists ix_DealerMaster_GroupCode
    on tbl_DealerMaster(sDealerCode) where nDealerCategory = 7;

-- One row per converted client: when, which way, how, and by whom.
create table if not exists tbl_DealerConversionHistory (
    nHistoryId integer primary key,
    dtConverted varchar(23) not null,
    sGroupId varchar(20) not null,
    sClientId varchar(20) not null,
    nFromCategory int not null,
    nToCategory int not null,
    sDirection varchar(20) not null,
    sMode varchar(6) not null,
    sLogin varchar(128)
);
create index if not exists ix_DealerConversionHistory_Client
    on tbl_DealerConversionHistory(sClientId, nHistoryId);

-- The operator's file, one line per row: group id, client id.
create table if not exists tbl_ConvertSolvaneToOrbelle (
    sGroupId varchar(20),
    sClientId varchar(20)
);

pragma user_version = 1;
