-- Converts every client staged in tbl_ConvertSolvaneToOrbelle that can be
-- converted, set by set: 1 Solvane to Orbelle, 2 Orbelle to Solvane. Answers
-- with a line per refused client and a closing "N converted, M refused".
--
-- Every staged row costs a few seeks whatever the number of groups: the
-- groups are copied once into small keyed tables, each row is looked up by
-- key, and the rows flow in staging order so that nothing is sorted but the
-- clients listed more than once.
create procedure stp_ConvertSolvaneToOrbelleBulk
    @conversion_type int
as
select raise_error(printf('Conversion type %s is not valid: use 1 (Solvane to Orbelle) or 2 (Orbelle to Solvane).',
                          coalesce(@conversion_type, 'NULL')))
 where @conversion_type is null or @conversion_type not in (1, 2);

-- The groups by id, and for each group code the group that names it (group
-- codes need not be unique: the least id of the code names it).
drop table if exists temp.bulk_group;
create temp table bulk_group (
    sGroupId text collate nocase primary key,
    sGroupCode text collate nocase
) without rowid;
insert into temp.bulk_group
select sDealerId, sDealerCode from tbl_DealerMaster where nDealerCategory = 7;
drop table if exists temp.bulk_group_code;
create temp table bulk_group_code (
    sGroupCode text collate nocase primary key,
    sGroupId text
) without rowid;
insert into temp.bulk_group_code
select sDealerCode, min(sDealerId) from tbl_DealerMaster
 where nDealerCategory = 7 and sDealerCode is not null group by sDealerCode;

-- One row per staged row, with why it cannot be converted, or no reason.
-- Ids are compared as SQL Server compares them: trailing blanks and case
-- do not count, so a file from a spreadsheet matches.
drop table if exists temp.bulk_conversion;
create temp table bulk_conversion (
    nRow integer primary key,
    sGroupId text,
    sClientId text,
    sGroupFound text,
    sClientFound text,
    nClient int,
    nCategory int,
    sReason text
);
insert into temp.bulk_conversion
       (nRow, sGroupId, sClientId, sGroupFound, sClientFound, nClient, nCategory, sReason)
select s.nRow, s.sGroupId, s.sClientId, g.sGroupId, c.sDealerId, c.rowid, c.nDealerCategory,
       case
           when s.sGroupId = '' then 'no group id'
           when s.sClientId = '' then 'no client id'
           when g.sGroupId is null then 'the group does not exist'
           when c.sDealerId is null then 'the client does not exist'
           when c.nDealerCategory = 7 then 'it is a group, not a client'
           when c.sGroupCode is not g.sGroupCode collate nocase
               then printf('the client belongs to group ''%s''',
                           coalesce((select k.sGroupId from temp.bulk_group_code k
                                      where k.sGroupCode = c.sGroupCode),
                                    c.sGroupCode, 'none'))
           when c.nDealerCategory = (case @conversion_type when 1 then 4 else 2 end)
               then (case @conversion_type when 1 then 'already on Orbelle' else 'already on Solvane' end)
           when c.nDealerCategory <> (case @conversion_type when 1 then 2 else 4 end)
               then printf('category %d is neither Solvane (2) nor Orbelle (4)', c.nDealerCategory)
       end
  from (select rowid as nRow, trim(coalesce(sGroupId, '')) as sGroupId,
               trim(coalesce(sClientId, '')) as sClientId
          from tbl_ConvertSolvaneToOrbelle) s
  left join temp.bulk_group g on g.sGroupId = s.sGroupId
  left join tbl_DealerMaster c on c.sDealerId = s.sClientId;

-- A client listed more than once converts at its first convertible listing.
update temp.bulk_conversion set sReason = 'listed more than once; converted once'
 where nRow in (select nRow from (select nRow, row_number() over (partition by nClient order by nRow) as nOccurrence
                                    from temp.bulk_conversion where sReason is null)
                 where nOccurrence > 1);

update tbl_DealerMaster set nDealerCategory = (case @conversion_type when 1 then 4 else 2 end)
 where rowid in (select nClient from temp.bulk_conversion where sReason is null);

insert into tbl_DealerConversionHistory
       (dtConverted, sGroupId, sClientId, nFromCategory, nToCategory, sDirection, sMode, sLogin)
select strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), sGroupFound, sClientFound,
       nCategory, (case @conversion_type when 1 then 4 else 2 end),
       (case @conversion_type when 1 then 'Solvane To Orbelle' else 'Orbelle To Solvane' end),
       'bulk', suser_sname()
  from temp.bulk_conversion where sReason is null order by nRow;

select sMessage from (
    select nRow as nOrder,
           printf('Client ''%s'' of group ''%s'' not converted: %s.', sClientId, sGroupId, sReason)
               as sMessage
      from temp.bulk_conversion where sReason is not null
    union all
    select 9223372036854775807,
           printf('%d converted, %d refused',
                  count(*) filter (where sReason is null),
                  count(*) filter (where sReason is not null))
      from temp.bulk_conversion
) order by nOrder;

drop table temp.bulk_conversion;
drop table temp.bulk_group_code;
drop table temp.bulk_group;
