-- Converts every client staged in tbl_ConvertSolvaneToOrbelle that can be
-- converted, set by set: 1 Solvane to Orbelle, 2 Orbelle to Solvane. Answers
-- with a line per refused client and a closing "N converted, M refused".
create procedure stp_ConvertSolvaneToOrbelleBulk
    @conversion_type int
as
select raise_error(printf('Conversion type %s is not valid: use 1 (Solvane to Orbelle) or 2 (Orbelle to Solvane).',
                          coalesce(@conversion_type, 'NULL')))
 where @conversion_type is null or @conversion_type not in (1, 2);

drop table if exists temp.bulk_conversion;
create temp table bulk_conversion (
    nRow integer primary key,
    sGroupId text,
    sClientId text,
    nOccurrence int,
    sGroupFound text,
    sGroupCode text,
    sClientFound text,
    sClientGroupCode text,
    sClientGroupId text,
    nCategory int,
    sReason text
);
-- Ids are compared as SQL Server compares them: trailing blanks and case
-- do not count, so a file from a spreadsheet matches.
insert into temp.bulk_conversion
       (nRow, sGroupId, sClientId, nOccurrence, sGroupFound, sGroupCode,
        sClientFound, sClientGroupCode, sClientGroupId, nCategory)
select s.rowid, trim(coalesce(s.sGroupId, '')), trim(coalesce(s.sClientId, '')),
       row_number() over (partition by upper(trim(coalesce(s.sClientId, ''))) order by s.rowid),
       g.sDealerId, g.sDealerCode, c.sDealerId, c.sGroupCode,
       -- Group codes need not be unique: any one group of the code names it.
       (select min(cg.sDealerId) from tbl_DealerMaster cg
         where cg.sDealerCode = c.sGroupCode and cg.nDealerCategory = 7),
       c.nDealerCategory
  from tbl_ConvertSolvaneToOrbelle s
  left join tbl_DealerMaster g on g.sDealerId = trim(s.sGroupId) and g.nDealerCategory = 7
  left join tbl_DealerMaster c on c.sDealerId = trim(s.sClientId);

update temp.bulk_conversion set sReason = case
    when sGroupId = '' then 'no group id'
    when sClientId = '' then 'no client id'
    when sGroupFound is null then 'the group does not exist'
    when sClientFound is null then 'the client does not exist'
    when nCategory = 7 then 'it is a group, not a client'
    when sClientGroupCode is not sGroupCode collate nocase
        then printf('the client belongs to group ''%s''',
                    coalesce(sClientGroupId, sClientGroupCode, 'none'))
    when nCategory = (case @conversion_type when 1 then 4 else 2 end)
        then (case @conversion_type when 1 then 'already on Orbelle' else 'already on Solvane' end)
    when nCategory <> (case @conversion_type when 1 then 2 else 4 end)
        then printf('category %d is neither Solvane (2) nor Orbelle (4)', nCategory)
    when nOccurrence > 1 then 'listed more than once; converted once'
end;

update tbl_DealerMaster set nDealerCategory = (case @conversion_type when 1 then 4 else 2 end)
 where sDealerId in (select sClientFound from temp.bulk_conversion where sReason is null);

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
