/*
** Keyword lookup: a switch on the word's length, then on its first eight
** bytes read as one integer (little-endian, zero-padded), then on the rest.
** Generated from the parser's sources.
*/
#include "sql/parse/Keywords.h"

#include <string.h>


namespace kestrel_engine::sql {

namespace {

uint64_t Key(std::string_view upper) {
  unsigned char bytes[8] = {};
  memcpy(bytes, upper.data(), upper.size() < 8 ? upper.size() : 8);
  uint64_t key = 0;
  for (int i = 7; i >= 0; --i) key = (key << 8) | bytes[i];
  return key;
}

constexpr Kw kReservedWords[] = {
    Kw::kAccess,
    Kw::kAdd,
    Kw::kAll,
    Kw::kAlter,
    Kw::kAnd,
    Kw::kAny,
    Kw::kAs,
    Kw::kAsc,
    Kw::kAudit,
    Kw::kBetween,
    Kw::kBy,
    Kw::kChar,
    Kw::kCheck,
    Kw::kCluster,
    Kw::kColumn,
    Kw::kComment,
    Kw::kCompress,
    Kw::kConnect,
    Kw::kCreate,
    Kw::kCurrent,
    Kw::kDate,
    Kw::kDecimal,
    Kw::kDefault,
    Kw::kDelete,
    Kw::kDesc,
    Kw::kDistinct,
    Kw::kDrop,
    Kw::kElse,
    Kw::kExclusive,
    Kw::kExists,
    Kw::kFile,
    Kw::kFloat,
    Kw::kFor,
    Kw::kFrom,
    Kw::kGrant,
    Kw::kGroup,
    Kw::kHaving,
    Kw::kIdentified,
    Kw::kImmediate,
    Kw::kIn,
    Kw::kIncrement,
    Kw::kIndex,
    Kw::kInitial,
    Kw::kInsert,
    Kw::kInteger,
    Kw::kIntersect,
    Kw::kInto,
    Kw::kIs,
    Kw::kLevel,
    Kw::kLike,
    Kw::kLock,
    Kw::kLong,
    Kw::kMaxextents,
    Kw::kMinus,
    Kw::kMlslabel,
    Kw::kMode,
    Kw::kModify,
    Kw::kNoaudit,
    Kw::kNocompress,
    Kw::kNot,
    Kw::kNowait,
    Kw::kNull,
    Kw::kNumber,
    Kw::kOf,
    Kw::kOffline,
    Kw::kOn,
    Kw::kOnline,
    Kw::kOption,
    Kw::kOr,
    Kw::kOrder,
    Kw::kPctfree,
    Kw::kPrior,
    Kw::kPublic,
    Kw::kRaw,
    Kw::kRename,
    Kw::kResource,
    Kw::kRevoke,
    Kw::kRow,
    Kw::kRowid,
    Kw::kRownum,
    Kw::kRows,
    Kw::kSelect,
    Kw::kSession,
    Kw::kSet,
    Kw::kShare,
    Kw::kSize,
    Kw::kSmallint,
    Kw::kStart,
    Kw::kSuccessful,
    Kw::kSynonym,
    Kw::kSysdate,
    Kw::kTable,
    Kw::kThen,
    Kw::kTo,
    Kw::kTrigger,
    Kw::kUid,
    Kw::kUnion,
    Kw::kUnique,
    Kw::kUpdate,
    Kw::kUser,
    Kw::kValidate,
    Kw::kValues,
    Kw::kVarchar,
    Kw::kVarchar2,
    Kw::kView,
    Kw::kWhenever,
    Kw::kWhere,
    Kw::kWith,
};

}  // namespace

Kw LookupKeyword(std::string_view upper) {
  if (upper.size() < 2 || upper.size() > 23) return Kw::kNone;
  const uint64_t key = Key(upper);
  switch (upper.size()) {
    case 2:
      switch (key) {
        case 0x0000000000005341ULL: return Kw::kAs;
        case 0x0000000000005441ULL: return Kw::kAt;
        case 0x0000000000005942ULL: return Kw::kBy;
        case 0x0000000000004e49ULL: return Kw::kIn;
        case 0x0000000000005349ULL: return Kw::kIs;
        case 0x0000000000004f4eULL: return Kw::kNo;
        case 0x000000000000464fULL: return Kw::kOf;
        case 0x0000000000004e4fULL: return Kw::kOn;
        case 0x000000000000524fULL: return Kw::kOr;
        case 0x0000000000004f54ULL: return Kw::kTo;
        default: return Kw::kNone;
      }
    case 3:
      switch (key) {
        case 0x0000000000444441ULL: return Kw::kAdd;
        case 0x00000000004c4c41ULL: return Kw::kAll;
        case 0x0000000000444e41ULL: return Kw::kAnd;
        case 0x0000000000594e41ULL: return Kw::kAny;
        case 0x0000000000435341ULL: return Kw::kAsc;
        case 0x0000000000594144ULL: return Kw::kDay;
        case 0x0000000000434544ULL: return Kw::kDec;
        case 0x0000000000444e45ULL: return Kw::kEnd;
        case 0x0000000000524f46ULL: return Kw::kFor;
        case 0x0000000000544e49ULL: return Kw::kInt;
        case 0x000000000059454bULL: return Kw::kKey;
        case 0x000000000058414cULL: return Kw::kLax;
        case 0x0000000000424f4cULL: return Kw::kLob;
        case 0x0000000000474f4cULL: return Kw::kLog;
        case 0x0000000000544f4eULL: return Kw::kNot;
        case 0x0000000000574152ULL: return Kw::kRaw;
        case 0x0000000000574f52ULL: return Kw::kRow;
        case 0x0000000000544553ULL: return Kw::kSet;
        case 0x0000000000444955ULL: return Kw::kUid;
        default: return Kw::kNone;
      }
    case 4:
      switch (key) {
        case 0x00000000424f4c42ULL: return Kw::kBlob;
        case 0x0000000059444f42ULL: return Kw::kBody;
        case 0x0000000048544f42ULL: return Kw::kBoth;
        case 0x0000000045545942ULL: return Kw::kByte;
        case 0x0000000045534143ULL: return Kw::kCase;
        case 0x0000000054534143ULL: return Kw::kCast;
        case 0x0000000052414843ULL: return Kw::kChar;
        case 0x00000000424f4c43ULL: return Kw::kClob;
        case 0x0000000045425543ULL: return Kw::kCube;
        case 0x0000000045544144ULL: return Kw::kDate;
        case 0x0000000043534544ULL: return Kw::kDesc;
        case 0x00000000504f5244ULL: return Kw::kDrop;
        case 0x0000000045534c45ULL: return Kw::kElse;
        case 0x00000000454c4946ULL: return Kw::kFile;
        case 0x000000004d4f5246ULL: return Kw::kFrom;
        case 0x000000004c4c5546ULL: return Kw::kFull;
        case 0x0000000052554f48ULL: return Kw::kHour;
        case 0x000000004f544e49ULL: return Kw::kInto;
        case 0x000000004e494f4aULL: return Kw::kJoin;
        case 0x000000004e4f534aULL: return Kw::kJson;
        case 0x000000005045454bULL: return Kw::kKeep;
        case 0x000000005359454bULL: return Kw::kKeys;
        case 0x000000005453414cULL: return Kw::kLast;
        case 0x000000005446454cULL: return Kw::kLeft;
        case 0x00000000454b494cULL: return Kw::kLike;
        case 0x000000004b434f4cULL: return Kw::kLock;
        case 0x00000000474e4f4cULL: return Kw::kLong;
        case 0x0000000045444f4dULL: return Kw::kMode;
        case 0x0000000045564f4dULL: return Kw::kMove;
        case 0x000000005458454eULL: return Kw::kNext;
        case 0x000000004c4c554eULL: return Kw::kNull;
        case 0x00000000594c4e4fULL: return Kw::kOnly;
        case 0x000000005245564fULL: return Kw::kOver;
        case 0x0000000048544150ULL: return Kw::kPath;
        case 0x0000000044414552ULL: return Kw::kRead;
        case 0x000000004c414552ULL: return Kw::kReal;
        case 0x00000000594c4552ULL: return Kw::kRely;
        case 0x0000000053574f52ULL: return Kw::kRows;
        case 0x0000000053544553ULL: return Kw::kSets;
        case 0x00000000455a4953ULL: return Kw::kSize;
        case 0x0000000050494b53ULL: return Kw::kSkip;
        case 0x00000000454d4f53ULL: return Kw::kSome;
        case 0x0000000054524f53ULL: return Kw::kSort;
        case 0x000000004e454854ULL: return Kw::kThen;
        case 0x0000000053454954ULL: return Kw::kTies;
        case 0x00000000454d4954ULL: return Kw::kTime;
        case 0x000000004d495254ULL: return Kw::kTrim;
        case 0x0000000045555254ULL: return Kw::kTrue;
        case 0x0000000045505954ULL: return Kw::kType;
        case 0x0000000052455355ULL: return Kw::kUser;
        case 0x0000000057454956ULL: return Kw::kView;
        case 0x0000000054494157ULL: return Kw::kWait;
        case 0x000000004e454857ULL: return Kw::kWhen;
        case 0x0000000048544957ULL: return Kw::kWith;
        case 0x000000004b524f57ULL: return Kw::kWork;
        case 0x0000000052414559ULL: return Kw::kYear;
        case 0x00000000454e4f5aULL: return Kw::kZone;
        default: return Kw::kNone;
      }
    case 5:
      switch (key) {
        case 0x0000005245544c41ULL: return Kw::kAlter;
        case 0x000000594c505041ULL: return Kw::kApply;
        case 0x0000005941525241ULL: return Kw::kArray;
        case 0x0000004949435341ULL: return Kw::kAscii;
        case 0x0000005449445541ULL: return Kw::kAudit;
        case 0x0000004843544142ULL: return Kw::kBatch;
        case 0x0000004e49474542ULL: return Kw::kBegin;
        case 0x000000454c494642ULL: return Kw::kBfile;
        case 0x0000004548434143ULL: return Kw::kCache;
        case 0x0000004b43454843ULL: return Kw::kCheck;
        case 0x000000544e554f43ULL: return Kw::kCount;
        case 0x00000053534f5243ULL: return Kw::kCross;
        case 0x000000454c435943ULL: return Kw::kCycle;
        case 0x0000004854504544ULL: return Kw::kDepth;
        case 0x0000005954504d45ULL: return Kw::kEmpty;
        case 0x000000524f525245ULL: return Kw::kError;
        case 0x00000045534c4146ULL: return Kw::kFalse;
        case 0x0000004843544546ULL: return Kw::kFetch;
        case 0x0000005453524946ULL: return Kw::kFirst;
        case 0x00000054414f4c46ULL: return Kw::kFloat;
        case 0x0000004543524f46ULL: return Kw::kForce;
        case 0x000000544e415247ULL: return Kw::kGrant;
        case 0x00000050554f5247ULL: return Kw::kGroup;
        case 0x0000005845444e49ULL: return Kw::kIndex;
        case 0x00000052454e4e49ULL: return Kw::kInner;
        case 0x0000004c4556454cULL: return Kw::kLevel;
        case 0x00000032454b494cULL: return Kw::kLike2;
        case 0x00000034454b494cULL: return Kw::kLike4;
        case 0x00000043454b494cULL: return Kw::kLikec;
        case 0x00000054494d494cULL: return Kw::kLimit;
        case 0x0000004c41434f4cULL: return Kw::kLocal;
        case 0x000000454752454dULL: return Kw::kMerge;
        case 0x00000053554e494dULL: return Kw::kMinus;
        case 0x0000004c45444f4dULL: return Kw::kModel;
        case 0x00000048544e4f4dULL: return Kw::kMonth;
        case 0x000000524148434eULL: return Kw::kNchar;
        case 0x000000424f4c434eULL: return Kw::kNclob;
        case 0x000000534c4c554eULL: return Kw::kNulls;
        case 0x000000524544524fULL: return Kw::kOrder;
        case 0x000000524554554fULL: return Kw::kOuter;
        case 0x000000544f564950ULL: return Kw::kPivot;
        case 0x000000524f495250ULL: return Kw::kPrior;
        case 0x0000004547525550ULL: return Kw::kPurge;
        case 0x00000045474e4152ULL: return Kw::kRange;
        case 0x0000004553554552ULL: return Kw::kReuse;
        case 0x0000005448474952ULL: return Kw::kRight;
        case 0x0000004449574f52ULL: return Kw::kRowid;
        case 0x000000454c414353ULL: return Kw::kScale;
        case 0x0000004552414853ULL: return Kw::kShare;
        case 0x0000005452415453ULL: return Kw::kStart;
        case 0x00000045524f5453ULL: return Kw::kStore;
        case 0x000000454c424154ULL: return Kw::kTable;
        case 0x0000004e4f494e55ULL: return Kw::kUnion;
        case 0x000000474e495355ULL: return Kw::kUsing;
        case 0x00000045554c4156ULL: return Kw::kValue;
        case 0x0000004552454857ULL: return Kw::kWhere;
        case 0x0000004554495257ULL: return Kw::kWrite;
        default: return Kw::kNone;
      }
    case 6:
      switch (key) {
        case 0x0000544e45534241ULL: return Kw::kAbsent;
        case 0x0000535345434341ULL: return Kw::kAccess;
        case 0x0000535941574c41ULL: return Kw::kAlways;
        case 0x000050414d544942ULL: return Kw::kBitmap;
        case 0x00004e4d554c4f43ULL: return Kw::kColumn;
        case 0x000054494d4d4f43ULL: return Kw::kCommit;
        case 0x0000455441455243ULL: return Kw::kCreate;
        case 0x00004554454c4544ULL: return Kw::kDelete;
        case 0x0000454c42554f44ULL: return Kw::kDouble;
        case 0x0000454c42414e45ULL: return Kw::kEnable;
        case 0x0000455041435345ULL: return Kw::kEscape;
        case 0x0000545045435845ULL: return Kw::kExcept;
        case 0x0000535453495845ULL: return Kw::kExists;
        case 0x0000444e45545845ULL: return Kw::kExtend;
        case 0x000054414d524f46ULL: return Kw::kFormat;
        case 0x00004c41424f4c47ULL: return Kw::kGlobal;
        case 0x00005350554f5247ULL: return Kw::kGroups;
        case 0x0000474e49564148ULL: return Kw::kHaving;
        case 0x000045524f4e4749ULL: return Kw::kIgnore;
        case 0x0000545245534e49ULL: return Kw::kInsert;
        case 0x000044454b434f4cULL: return Kw::kLocked;
        case 0x00004554554e494dULL: return Kw::kMinute;
        case 0x0000594649444f4dULL: return Kw::kModify;
        case 0x000044455453454eULL: return Kw::kNested;
        case 0x00005045454b4f4eULL: return Kw::kNokeep;
        case 0x0000594c45524f4eULL: return Kw::kNorely;
        case 0x000054524f534f4eULL: return Kw::kNosort;
        case 0x0000544941574f4eULL: return Kw::kNowait;
        case 0x00005245424d554eULL: return Kw::kNumber;
        case 0x00005443454a424fULL: return Kw::kObject;
        case 0x000054455346464fULL: return Kw::kOffset;
        case 0x0000454e494c4e4fULL: return Kw::kOnline;
        case 0x00004e4f4954504fULL: return Kw::kOption;
        case 0x0000595454455250ULL: return Kw::kPretty;
        case 0x000043494c425550ULL: return Kw::kPublic;
        case 0x0000454d414e4552ULL: return Kw::kRename;
        case 0x00004e5255544552ULL: return Kw::kReturn;
        case 0x0000454b4f564552ULL: return Kw::kRevoke;
        case 0x000050554c4c4f52ULL: return Kw::kRollup;
        case 0x00004d554e574f52ULL: return Kw::kRownum;
        case 0x0000454c504d4153ULL: return Kw::kSample;
        case 0x0000484352414553ULL: return Kw::kSearch;
        case 0x0000444e4f434553ULL: return Kw::kSecond;
        case 0x00005443454c4553ULL: return Kw::kSelect;
        case 0x00004b4e49524853ULL: return Kw::kShrink;
        case 0x0000544349525453ULL: return Kw::kStrict;
        case 0x0000455551494e55ULL: return Kw::kUnique;
        case 0x0000455441445055ULL: return Kw::kUpdate;
        case 0x00004449574f5255ULL: return Kw::kUrowid;
        case 0x00005345554c4156ULL: return Kw::kValues;
        case 0x0000594152524156ULL: return Kw::kVarray;
        case 0x0000574f444e4957ULL: return Kw::kWindow;
        case 0x00004e4948544957ULL: return Kw::kWithin;
        default: return Kw::kNone;
      }
    case 7:
      switch (key) {
        case 0x004e454557544542ULL: return Kw::kBetween;
        case 0x004e41454c4f4f42ULL: return Kw::kBoolean;
        case 0x0048544441455242ULL: return Kw::kBreadth;
        case 0x0045444143534143ULL: return Kw::kCascade;
        case 0x0052455453554c43ULL: return Kw::kCluster;
        case 0x004554414c4c4f43ULL: return Kw::kCollate;
        case 0x00534e4d554c4f43ULL: return Kw::kColumns;
        case 0x00544e454d4d4f43ULL: return Kw::kComment;
        case 0x00455455504d4f43ULL: return Kw::kCompute;
        case 0x005443454e4e4f43ULL: return Kw::kConnect;
        case 0x00544e4552525543ULL: return Kw::kCurrent;
        case 0x004c414d49434544ULL: return Kw::kDecimal;
        case 0x004552414c434544ULL: return Kw::kDeclare;
        case 0x00544c5541464544ULL: return Kw::kDefault;
        case 0x00454c4241534944ULL: return Kw::kDisable;
        case 0x0054505952434e45ULL: return Kw::kEncrypt;
        case 0x004544554c435845ULL: return Kw::kExclude;
        case 0x0054434152545845ULL: return Kw::kExtract;
        case 0x004e474945524f46ULL: return Kw::kForeign;
        case 0x004544554c434e49ULL: return Kw::kInclude;
        case 0x004c414954494e49ULL: return Kw::kInitial;
        case 0x0052454745544e49ULL: return Kw::kInteger;
        case 0x004c41524554414cULL: return Kw::kLateral;
        case 0x00474e494441454cULL: return Kw::kLeading;
        case 0x005952415242494cULL: return Kw::kLibrary;
        case 0x004747415453494cULL: return Kw::kListagg;
        case 0x00474e4947474f4cULL: return Kw::kLogging;
        case 0x00474e495050414dULL: return Kw::kMapping;
        case 0x004445484354414dULL: return Kw::kMatched;
        case 0x004c41525554414eULL: return Kw::kNatural;
        case 0x0054494455414f4eULL: return Kw::kNoaudit;
        case 0x0045484341434f4eULL: return Kw::kNocache;
        case 0x00454c4359434f4eULL: return Kw::kNocycle;
        case 0x00524544524f4f4eULL: return Kw::kNoorder;
        case 0x00454c4143534f4eULL: return Kw::kNoscale;
        case 0x00434952454d554eULL: return Kw::kNumeric;
        case 0x00454e494c46464fULL: return Kw::kOffline;
        case 0x004547414b434150ULL: return Kw::kPackage;
        case 0x0045455246544350ULL: return Kw::kPctfree;
        case 0x0044455355544350ULL: return Kw::kPctused;
        case 0x00544e4543524550ULL: return Kw::kPercent;
        case 0x005952414d495250ULL: return Kw::kPrimary;
        case 0x0045544156495250ULL: return Kw::kPrivate;
        case 0x004543414c504552ULL: return Kw::kReplace;
        case 0x0054434550534552ULL: return Kw::kRespect;
        case 0x0054524154534552ULL: return Kw::kRestart;
        case 0x0045535245564552ULL: return Kw::kReverse;
        case 0x00544e454d474553ULL: return Kw::kSegment;
        case 0x004e4f4953534553ULL: return Kw::kSession;
        case 0x00474e4952414853ULL: return Kw::kSharing;
        case 0x00454741524f5453ULL: return Kw::kStorage;
        case 0x004d594e4f4e5953ULL: return Kw::kSynonym;
        case 0x0045544144535953ULL: return Kw::kSysdate;
        case 0x0052454747495254ULL: return Kw::kTrigger;
        case 0x00544f5649504e55ULL: return Kw::kUnpivot;
        case 0x0045444152475055ULL: return Kw::kUpgrade;
        case 0x0052414843524156ULL: return Kw::kVarchar;
        case 0x00474e4959524156ULL: return Kw::kVarying;
        case 0x004c415554524956ULL: return Kw::kVirtual;
        case 0x00454c4249534956ULL: return Kw::kVisible;
        case 0x0054554f48544957ULL: return Kw::kWithout;
        case 0x0052455050415257ULL: return Kw::kWrapper;
        case 0x00455059544c4d58ULL: return Kw::kXmltype;
        default: return Kw::kNone;
      }
    case 8:
      switch (key) {
        case 0x455441434f4c4c41ULL: return Kw::kAllocate;
        case 0x53534552504d4f43ULL: return Kw::kCompress;
        case 0x4445525245464544ULL: return Kw::kDeferred;
        case 0x54434e4954534944ULL: return Kw::kDistinct;
        case 0x4e4f4954434e5546ULL: return Kw::kFunction;
        case 0x474e4950554f5247ULL: return Kw::kGrouping;
        case 0x595449544e454449ULL: return Kw::kIdentity;
        case 0x534e415254494e49ULL: return Kw::kInitrans;
        case 0x59524f4d454d4e49ULL: return Kw::kInmemory;
        case 0x4c41565245544e49ULL: return Kw::kInterval;
        case 0x534e41525458414dULL: return Kw::kMaxtrans;
        case 0x45554c415658414dULL: return Kw::kMaxvalue;
        case 0x45554c41564e494dULL: return Kw::kMinvalue;
        case 0x4c4542414c534c4dULL: return Kw::kMlslabel;
        case 0x444e455458454f4eULL: return Kw::kNoextend;
        case 0x574f4c465245564fULL: return Kw::kOverflow;
        case 0x4c454c4c41524150ULL: return Kw::kParallel;
        case 0x4556524553455250ULL: return Kw::kPreserve;
        case 0x454352554f534552ULL: return Kw::kResource;
        case 0x4b4341424c4c4f52ULL: return Kw::kRollback;
        case 0x45434e4555514553ULL: return Kw::kSequence;
        case 0x53474e494c424953ULL: return Kw::kSiblings;
        case 0x544e494c4c414d53ULL: return Kw::kSmallint;
        case 0x474e494c49415254ULL: return Kw::kTrailing;
        case 0x455441434e555254ULL: return Kw::kTruncate;
        case 0x45544144494c4156ULL: return Kw::kValidate;
        case 0x3252414843524156ULL: return Kw::kVarchar2;
        case 0x524556454e454857ULL: return Kw::kWhenever;
        default: return Kw::kNone;
      }
    case 9:
      switch (key) {
        case 0x4554434152414843ULL: return true && upper.substr(8) == "R" ? Kw::kCharacter : Kw::kNone;
        case 0x564953554c435845ULL: return true && upper.substr(8) == "E" ? Kw::kExclusive : Kw::kNone;
        case 0x4341424853414c46ULL: return true && upper.substr(8) == "K" ? Kw::kFlashback : Kw::kNone;
        case 0x4e49574f4c4c4f46ULL: return true && upper.substr(8) == "G" ? Kw::kFollowing : Kw::kNone;
        case 0x45544152454e4547ULL: return true && upper.substr(8) == "D" ? Kw::kGenerated : Kw::kNone;
        case 0x54414944454d4d49ULL: return true && upper.substr(8) == "E" ? Kw::kImmediate : Kw::kNone;
        case 0x4e4944554c434e49ULL: return true && upper.substr(8) == "G" ? Kw::kIncluding : Kw::kNone;
        case 0x4e454d4552434e49ULL: return true && upper.substr(8) == "T" ? Kw::kIncrement : Kw::kNone;
        case 0x4c4c414954494e49ULL: return true && upper.substr(8) == "Y" ? Kw::kInitially : Kw::kNone;
        case 0x4345535245544e49ULL: return true && upper.substr(8) == "T" ? Kw::kIntersect : Kw::kNone;
        case 0x4c42495349564e49ULL: return true && upper.substr(8) == "E" ? Kw::kInvisible : Kw::kNone;
        case 0x4e4947474f4c4f4eULL: return true && upper.substr(8) == "G" ? Kw::kNologging : Kw::kNone;
        case 0x524148435241564eULL: return true && upper.substr(8) == "2" ? Kw::kNvarchar2 : Kw::kNone;
        case 0x4f49544954524150ULL: return true && upper.substr(8) == "N" ? Kw::kPartition : Kw::kNone;
        case 0x4e49444543455250ULL: return true && upper.substr(8) == "G" ? Kw::kPreceding : Kw::kNone;
        case 0x4f49534943455250ULL: return true && upper.substr(8) == "N" ? Kw::kPrecision : Kw::kNone;
        case 0x52554445434f5250ULL: return true && upper.substr(8) == "E" ? Kw::kProcedure : Kw::kNone;
        case 0x4e494e5255544552ULL: return true && upper.substr(8) == "G" ? Kw::kReturning : Kw::kNone;
        case 0x4e494f5045564153ULL: return true && upper.substr(8) == "T" ? Kw::kSavepoint : Kw::kNone;
        case 0x5241524f504d4554ULL: return true && upper.substr(8) == "Y" ? Kw::kTemporary : Kw::kNone;
        case 0x4d415453454d4954ULL: return true && upper.substr(8) == "P" ? Kw::kTimestamp : Kw::kNone;
        case 0x45444e554f424e55ULL: return true && upper.substr(8) == "D" ? Kw::kUnbounded : Kw::kNone;
        default: return Kw::kNone;
      }
    case 10:
      switch (key) {
        case 0x49415254534e4f43ULL: return true && upper.substr(8) == "NT" ? Kw::kConstraint : Kw::kNone;
        case 0x41434f4c4c414544ULL: return true && upper.substr(8) == "TE" ? Kw::kDeallocate : Kw::kNone;
        case 0x4241525245464544ULL: return true && upper.substr(8) == "LE" ? Kw::kDeferrable : Kw::kNone;
        case 0x4954494e49464544ULL: return true && upper.substr(8) == "ON" ? Kw::kDefinition : Kw::kNone;
        case 0x41525f45534e4544ULL: return true && upper.substr(8) == "NK" ? Kw::kDenseRank : Kw::kNone;
        case 0x4f49545045435845ULL: return true && upper.substr(8) == "NS" ? Kw::kExceptions : Kw::kNone;
        case 0x494649544e454449ULL: return true && upper.substr(8) == "ED" ? Kw::kIdentified : Kw::kNone;
        case 0x4555515f4e4f534aULL: return true && upper.substr(8) == "RY" ? Kw::kJsonQuery : Kw::kNone;
        case 0x4241545f4e4f534aULL: return true && upper.substr(8) == "LE" ? Kw::kJsonTable : Kw::kNone;
        case 0x4c41565f4e4f534aULL: return true && upper.substr(8) == "UE" ? Kw::kJsonValue : Kw::kNone;
        case 0x4e4554584558414dULL: return true && upper.substr(8) == "TS" ? Kw::kMaxextents : Kw::kNone;
        case 0x49524f54494e4f4dULL: return true && upper.substr(8) == "NG" ? Kw::kMonitoring : Kw::kNone;
        case 0x4552504d4f434f4eULL: return true && upper.substr(8) == "SS" ? Kw::kNocompress : Kw::kNone;
        case 0x4f4d454d4e494f4eULL: return true && upper.substr(8) == "RY" ? Kw::kNoinmemory : Kw::kNone;
        case 0x4c415658414d4f4eULL: return true && upper.substr(8) == "UE" ? Kw::kNomaxvalue : Kw::kNone;
        case 0x4c41564e494d4f4eULL: return true && upper.substr(8) == "UE" ? Kw::kNominvalue : Kw::kNone;
        case 0x4c4c415241504f4eULL: return true && upper.substr(8) == "EL" ? Kw::kNoparallel : Kw::kNone;
        case 0x4144494c41564f4eULL: return true && upper.substr(8) == "TE" ? Kw::kNovalidate : Kw::kNone;
        case 0x494c414e4944524fULL: return true && upper.substr(8) == "TY" ? Kw::kOrdinality : Kw::kNone;
        case 0x434e455245464552ULL: return true && upper.substr(8) == "ES" ? Kw::kReferences : Kw::kNone;
        case 0x4653534543435553ULL: return true && upper.substr(8) == "UL" ? Kw::kSuccessful : Kw::kNone;
        case 0x415053454c424154ULL: return true && upper.substr(8) == "CE" ? Kw::kTablespace : Kw::kNone;
        default: return Kw::kNone;
      }
    case 11:
      switch (key) {
        case 0x4f495449444e4f43ULL: return true && upper.substr(8) == "NAL" ? Kw::kConditional : Kw::kNone;
        case 0x49415254534e4f43ULL: return true && upper.substr(8) == "NTS" ? Kw::kConstraints : Kw::kNone;
        case 0x414e4f4954494445ULL: return true && upper.substr(8) == "BLE" ? Kw::kEditionable : Kw::kNone;
        case 0x4958455f4e4f534aULL: return true && upper.substr(8) == "STS" ? Kw::kJsonExists : Kw::kNone;
        case 0x4a424f5f4e4f534aULL: return true && upper.substr(8) == "ECT" ? Kw::kJsonObject : Kw::kNone;
        case 0x4d4954504f4d454dULL: return true && upper.substr(8) == "IZE" ? Kw::kMemoptimize : Kw::kNone;
        default: return Kw::kNone;
      }
    case 12:
      switch (key) {
        case 0x465f5952414e4942ULL: return true && upper.substr(8) == "LOAT" ? Kw::kBinaryFloat : Kw::kNone;
        case 0x4c4149524554414dULL: return true && upper.substr(8) == "IZED" ? Kw::kMaterialized : Kw::kNone;
        case 0x4f54494e4f4d4f4eULL: return true && upper.substr(8) == "RING" ? Kw::kNomonitoring : Kw::kNone;
        case 0x415a494e4147524fULL: return true && upper.substr(8) == "TION" ? Kw::kOrganization : Kw::kNone;
        case 0x5345524854544350ULL: return true && upper.substr(8) == "HOLD" ? Kw::kPctthreshold : Kw::kNone;
        case 0x435f544c55534552ULL: return true && upper.substr(8) == "ACHE" ? Kw::kResultCache : Kw::kNone;
        case 0x4954524150425553ULL: return true && upper.substr(8) == "TION" ? Kw::kSubpartition : Kw::kNone;
        default: return Kw::kNone;
      }
    case 13:
      switch (key) {
        case 0x445f5952414e4942ULL: return true && upper.substr(8) == "OUBLE" ? Kw::kBinaryDouble : Kw::kNone;
        case 0x5449444e4f434e55ULL: return true && upper.substr(8) == "IONAL" ? Kw::kUnconditional : Kw::kNone;
        default: return Kw::kNone;
      }
    case 14:
      switch (key) {
        case 0x4a424f5f4e4f534aULL: return true && upper.substr(8) == "ECTAGG" ? Kw::kJsonObjectagg : Kw::kNone;
        case 0x49544944454e4f4eULL: return true && upper.substr(8) == "ONABLE" ? Kw::kNoneditionable : Kw::kNone;
        default: return Kw::kNone;
      }
    case 15:
      switch (key) {
        case 0x5f5443454e4e4f43ULL: return true && upper.substr(8) == "BY_ROOT" ? Kw::kConnectByRoot : Kw::kNone;
        case 0x4e45504544574f52ULL: return true && upper.substr(8) == "DENCIES" ? Kw::kRowdependencies : Kw::kNone;
        default: return Kw::kNone;
      }
    case 17:
      switch (key) {
        case 0x504544574f524f4eULL: return true && upper.substr(8) == "ENDENCIES" ? Kw::kNorowdependencies : Kw::kNone;
        default: return Kw::kNone;
      }
    case 23:
      switch (key) {
        case 0x54535953454c4946ULL: return true && upper.substr(8) == "EM_LIKE_LOGGING" ? Kw::kFilesystemLikeLogging : Kw::kNone;
        default: return Kw::kNone;
      }
    default: return Kw::kNone;
  }
}

namespace {

struct ReservedTable {
  bool flag[static_cast<size_t>(Kw::kEndOfKeywords)] = {};
  constexpr ReservedTable() {
    for (Kw kw : kReservedWords) flag[static_cast<size_t>(kw)] = true;
  }
};
constexpr ReservedTable kReservedTable;

}  // namespace

bool IsReserved(Kw kw) { return kReservedTable.flag[static_cast<size_t>(kw)]; }

}  // namespace kestrel_engine::sql
