#include "app/DemoParish.h"

#include <array>
#include <map>
#include <vector>

#include "app/ParishSchema.h"
#include "platform/db/ADODB.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/JPEGImage.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace orv {

namespace {

const std::array kMen = {"สมชาย", "สมศักดิ์", "วิชัย", "ประเสริฐ", "สุรชัย", "ธีระ", "อนันต์",
                         "ชาญชัย", "ไพโรจน์", "วีระพงษ์", "กิตติ", "ณัฐพล", "ธนากร", "ปิยะ",
                         "อำนาจ", "บุญเลิศ", "สุทธิพงษ์", "พงศกร", "ศักดิ์ชัย", "ชัยวัฒน์"};
const std::array kWomen = {"มาลี", "สมศรี", "อนงค์", "เกศินี", "ยุพิน", "วันเพ็ญ", "สุภาพร",
                           "กมลา", "ขวัญใจ", "ดวงใจ", "นงลักษณ์", "ปราณี", "รัชนี", "ศิริพร",
                           "อรุณี", "จันทร์เพ็ญ", "พรทิพย์", "วิไลวรรณ", "สุนีย์", "บุษบา"};
const std::array kSurnames = {"ใจดี", "แสงทอง", "ศรีสุข", "เจริญผล", "บุญมา", "ทองคำ",
                              "พิทักษ์ธรรม", "รุ่งเรือง", "อินทร์แก้ว", "สายบัว", "นาคสุข",
                              "วงศ์สวัสดิ์", "ศรีประเสริฐ", "มณีรัตน์", "ชัยมงคล", "กิตติวงศ์",
                              "สุขสวัสดิ์", "แก้วมณี", "พูลสวัสดิ์", "ธรรมรักษ์", "บุญประเสริฐ",
                              "เพชรรัตน์", "จันทร์หอม", "ศรีวงศ์", "ประจำวงศ์"};
const std::array kMaleSaints = {"ยอแซฟ", "เปโตร", "ยอห์น", "เปาโล", "มีคาแอล", "ฟรังซิส",
                                "ลูกา", "มัทธิว", "ยากอบ", "อันดรูว์", "โทมัส", "อันตน",
                                "ราฟาแอล", "ดอมินิก", "เบเนดิกต์"};
const std::array kFemaleSaints = {"มารีอา", "อันนา", "เทเรซา", "อักแนส", "เซซีลีอา", "แคทารีน",
                                  "ลูซีอา", "มาร์ธา", "โรซา", "เอลีซาเบธ", "เวโรนิกา", "โมนิกา",
                                  "คลารา", "ยอแซฟีน", "ฟิโลมีนา"};
const std::array kGroups = {"กลุ่มแม่บ้าน", "สายวัดน้อย", "เยาวชน", "คณะนักขับร้อง",
                            "สายพระหฤทัย", "กลุ่มผู้สูงอายุ"};
const std::array kJobs = {"เกษตรกร", "ค้าขาย", "รับราชการ", "พนักงานบริษัท", "ครู",
                          "รับจ้างทั่วไป", "นักเรียน", "พยาบาล", "ช่างไม้", "แม่บ้าน"};
const std::array kPriests = {"คุณพ่อเปโตร สมศักดิ์ ศรีวงศ์", "คุณพ่อยอห์น วิชัย แสงทอง",
                             "คุณพ่อยอแซฟ ประเสริฐ มณีรัตน์", "คุณพ่อมีคาแอล ธีระ ชัยมงคล"};

struct Church {
  const char* code;
  // As members' records and letters write it, "วัด" first.
  const char* name;
  const char* shortName;
  const char* address2;
};
const std::array kChurches = {
    Church{"100234", "วัดพระหฤทัยแห่งพระเยซูเจ้า", "พระหฤทัย", "อ.สามพราน จ.นครปฐม 73110"},
    Church{"100101", "วัดอัสสัมชัญ", "อัสสัมชัญ", "เขตบางรัก กรุงเทพฯ 10500"},
    Church{"100102", "วัดกาลหว่าร์", "กาลหว่าร์", "เขตสัมพันธวงศ์ กรุงเทพฯ 10100"},
    Church{"100205", "วัดนักบุญเปโตร", "เปโตร", "อ.เมือง จ.นครปฐม 73000"},
    Church{"100310", "วัดแม่พระฟาติมา", "ฟาติมา", "เขตดินแดง กรุงเทพฯ 10400"},
    Church{"100412", "วัดนักบุญยอแซฟ", "ยอแซฟ", "อ.บ้านโป่ง จ.ราชบุรี 70110"},
    Church{"100520", "วัดนักบุญอันนา", "อันนา", "อ.ท่าจีน จ.สมุทรสาคร 74000"},
    Church{"100633", "วัดพระคริสตกษัตริย์", "คริสตกษัตริย์", "อ.เมือง จ.ชลบุรี 20000"}};
const Church& kParish = kChurches[0];
const char* const kCatholic = "คาทอลิก";
const Word kThisYear = 2024;

// A small generator of our own, so the same seed gives the same parish on every platform.
class Dice {
 public:
  explicit Dice(unsigned seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  unsigned Next(unsigned below) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<unsigned>(state_ % below);
  }
  bool Chance(unsigned percent) { return Next(100) < percent; }
  template <class A>
  const char* Pick(const A& list) {
    return list[Next(static_cast<unsigned>(list.size()))];
  }
  TDateTime DateIn(Word fromYear, Word toYear) {
    Word year = static_cast<Word>(fromYear + Next(std::max(1, toYear - fromYear + 1)));
    Word month = static_cast<Word>(1 + Next(12));
    return EncodeDate(year, month, static_cast<Word>(1 + Next(DaysInMonth(year, month))));
  }

 private:
  unsigned long long state_;
};

using Row = std::map<String, Variant>;

// Inserts rows into one table through one parameterised statement.
class Inserter {
 public:
  Inserter(TADOConnection& connection, const String& table, std::vector<String> columns)
      : command_(nullptr), columns_(std::move(columns)) {
    String names, values;
    for (size_t i = 0; i < columns_.size(); ++i) {
      names += (i ? ", \"" : "\"") + columns_[i] + "\"";
      values += (i ? ", :p" : ":p") + IntToStr(static_cast<Int64>(i));
    }
    command_.SetConnection(&connection);
    command_.SetCommandText("INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")");
  }
  void Add(const Row& row) {
    for (size_t i = 0; i < columns_.size(); ++i) {
      auto found = row.find(columns_[i]);
      command_.Parameters()[static_cast<Integer>(i)]->SetValue(found == row.end() ? Null()
                                                                                  : found->second);
    }
    command_.Execute();
  }

 private:
  TADOCommand command_;
  std::vector<String> columns_;
};

const std::vector<String> kMemberColumns = {
    "ID", "NUM", "Nm", "sur", "st", "sex", "birth_date", "religion", "Address1", "Address2",
    "tel", "gang", "Occupation", "from_family", "family_no", "papa_nm", "papa_st", "papa_relig",
    "mama_nm", "mama_st", "mama_relig", "DateIn", "From_church", "DateOut", "To_church",
    "btsm_date", "btsm_No", "btsm_wat", "btsm_parent", "btsm_st", "btsm_priest", "fm_date",
    "fm_No", "fm_wat", "fm_priest", "cnfm_date", "cnfm_No", "cnfm_wat", "cnfm_parent", "cnfm_st",
    "cnfm_priest", "mtmn_date", "mtmn_No", "mtmn_wat", "mtmn_priest", "mtmn_father",
    "mtmn_fatherSt", "mtmn_mother", "mtmn_motherSt", "couple_nm", "couple_St", "couple_No",
    "couple_religion", "couple_btsmDate", "couple_btsmNo", "couple_btsmPlace", "couple_Church",
    "fimn_date", "fimn_priest", "dead_No", "Citydead_No", "dead_date", "keep_date", "keep_place",
    "keep_priest", "reason", "note1", "Update"};
const std::vector<String> kMoveColumns = {"OrvID", "NUM", "DateIn", "MoveInBy", "FromChurch",
                                          "MoveFromNo", "FromFr", "DateOut", "MoveOutBy",
                                          "ToChurch", "MoveToNo", "ReceiveInBy"};

Variant D(TDateTime date) { return Variant::FromDate(date); }

// Builds the parish family by family.
class ParishMaker {
 public:
  ParishMaker(TADOConnection& connection, unsigned seed)
      : dice_(seed),
        members_(connection, "Orvani", kMemberColumns),
        moves_(connection, "Move", kMoveColumns) {}

  void Make(int count) {
    while (made_ < count) Family(count - made_);
  }

 private:
  struct Person {
    String nm, sur, st;
    bool male = true;
  };

  String FullName(const Person& p) { return p.nm + " " + p.sur; }

  // Baptism, first communion and confirmation of someone born on birth, by age.
  void Sacraments(Row& r, TDateTime birth, const Person& godparent) {
    TDateTime baptism = birth + 20 + dice_.Next(60);
    Word year = YearOf(baptism);
    r["btsm_date"] = D(baptism);
    r["btsm_No"] = IntToStr(++baptismsByYear_[year]) + "/" + IntToStr(year);
    r["btsm_wat"] = kParish.name;
    r["btsm_parent"] = FullName(godparent);
    r["btsm_st"] = godparent.st;
    r["btsm_priest"] = dice_.Pick(kPriests);
    r["NUM"] = String(kParish.code) + "-" + IntToStr(year) + "-" + IntToStr(baptismsByYear_[year]);
    if (YearOf(birth) + 10 < kThisYear) {
      r["fm_date"] = D(birth + 365 * 10 + dice_.Next(300));
      r["fm_No"] = IntToStr(1 + dice_.Next(80));
      r["fm_wat"] = kParish.name;
      r["fm_priest"] = dice_.Pick(kPriests);
    }
    if (YearOf(birth) + 15 < kThisYear) {
      r["cnfm_date"] = D(birth + 365 * 15 + dice_.Next(300));
      r["cnfm_No"] = IntToStr(1 + dice_.Next(120));
      r["cnfm_wat"] = kParish.name;
      r["cnfm_parent"] = FullName(godparent);
      r["cnfm_st"] = godparent.st;
      r["cnfm_priest"] = "พระสังฆราชยอแซฟ " + String(dice_.Pick(kSurnames));
    }
  }

  Person NewPerson(bool male, const String& sur) {
    return Person{dice_.Pick(male ? kMen : kWomen) + String(), sur,
                  dice_.Pick(male ? kMaleSaints : kFemaleSaints) + String(), male};
  }

  // One household: a married couple or a widowed parent, and their children.
  void Family(int room) {
    int household = ++households_;
    String sur = dice_.Pick(kSurnames);
    String house = IntToStr(1 + dice_.Next(250)) + "/" + IntToStr(1 + dice_.Next(30)) +
                   " หมู่ " + IntToStr(1 + dice_.Next(9));
    String tel = "08" + IntToStr(1 + dice_.Next(9)) + "-" + IntToStr(100 + dice_.Next(900)) +
                 "-" + IntToStr(1000 + dice_.Next(9000));
    String gang = dice_.Pick(kGroups);
    // One household in ten moved in, one in twenty moved out.
    bool movedIn = dice_.Chance(10);
    bool movedOut = !movedIn && dice_.Chance(5);
    const Church& other = kChurches[1 + dice_.Next(kChurches.size() - 1)];
    TDateTime moveInDate = dice_.DateIn(1995, kThisYear - 1);
    TDateTime moveOutDate = dice_.DateIn(2010, kThisYear - 1);

    Person father = NewPerson(true, sur);
    Person mother = NewPerson(false, sur);
    Person godparent = NewPerson(dice_.Chance(50), dice_.Pick(kSurnames));
    TDateTime fatherBirth = dice_.DateIn(1935, 1995);
    TDateTime motherBirth = fatherBirth + 365 * 2 - dice_.Next(365 * 5);
    TDateTime wedding = fatherBirth + 365 * 24 + dice_.Next(365 * 8);
    bool couple = room >= 2;
    String mtmnNo = IntToStr(1 + dice_.Next(60)) + "/" + IntToStr(YearOf(wedding));
    Person witnessMan = NewPerson(true, dice_.Pick(kSurnames));
    Person witnessWoman = NewPerson(false, dice_.Pick(kSurnames));
    const char* weddingPriest = dice_.Pick(kPriests);
    // A spouse from another religion is recorded as the member's spouse only.
    bool mixed = dice_.Chance(10);

    auto base = [&](const Person& p, TDateTime birth) {
      Row r;
      r["Nm"] = p.nm;
      r["sur"] = p.sur;
      r["st"] = p.st;
      r["sex"] = p.male ? "ชาย" : "หญิง";
      r["birth_date"] = D(birth);
      r["religion"] = kCatholic;
      r["Address1"] = house;
      r["Address2"] = kParish.address2;
      r["tel"] = tel;
      r["gang"] = gang;
      r["from_family"] = IntToStr(household);
      r["Update"] = D(dice_.DateIn(2018, kThisYear));
      return r;
    };
    auto parents = [&](Row& r, bool male) {
      Person grandfather = NewPerson(true, male ? sur : dice_.Pick(kSurnames));
      Person grandmother = NewPerson(false, grandfather.sur);
      r["papa_nm"] = FullName(grandfather);
      r["papa_st"] = grandfather.st;
      r["papa_relig"] = kCatholic;
      r["mama_nm"] = FullName(grandmother);
      r["mama_st"] = grandmother.st;
      r["mama_relig"] = dice_.Chance(85) ? kCatholic : "พุทธ";
    };
    auto wed = [&](Row& r, const Person& spouse, TDateTime spouseBirth) {
      r["family_no"] = IntToStr(household);
      r["mtmn_date"] = D(wedding);
      r["mtmn_No"] = mtmnNo;
      r["mtmn_wat"] = kParish.name;
      r["mtmn_priest"] = weddingPriest;
      r["mtmn_father"] = FullName(witnessMan);
      r["mtmn_fatherSt"] = witnessMan.st;
      r["mtmn_mother"] = FullName(witnessWoman);
      r["mtmn_motherSt"] = witnessWoman.st;
      r["couple_nm"] = FullName(spouse);
      r["couple_St"] = spouse.st;
      r["couple_religion"] = mixed ? "พุทธ" : kCatholic;
      if (!mixed) {
        r["couple_btsmDate"] = D(spouseBirth + 30);
        r["couple_btsmPlace"] = kParish.name;
      }
      r["couple_Church"] = kParish.name;
    };

    std::vector<Row> rows;
    Row head = base(father, fatherBirth);
    parents(head, true);
    Sacraments(head, fatherBirth, godparent);
    head["Occupation"] = dice_.Pick(kJobs);
    if (couple) wed(head, mother, motherBirth);
    rows.push_back(head);
    if (couple && !mixed) {
      Row wife = base(mother, motherBirth);
      parents(wife, false);
      Sacraments(wife, motherBirth, NewPerson(false, dice_.Pick(kSurnames)));
      wife["Occupation"] = dice_.Pick(kJobs);
      wed(wife, father, fatherBirth);
      rows.push_back(wife);
    }
    int children = static_cast<int>(dice_.Next(5));
    for (int c = 0; c < children && static_cast<int>(rows.size()) < room; ++c) {
      TDateTime birth = wedding + 300 + c * 700 + dice_.Next(400);
      if (YearOf(birth) >= kThisYear) break;
      Person child = NewPerson(dice_.Chance(50), sur);
      Row r = base(child, birth);
      r["papa_nm"] = FullName(father);
      r["papa_st"] = father.st;
      r["papa_relig"] = kCatholic;
      r["mama_nm"] = FullName(mother);
      r["mama_st"] = mother.st;
      r["mama_relig"] = mixed ? "พุทธ" : kCatholic;
      Sacraments(r, birth, NewPerson(child.male, dice_.Pick(kSurnames)));
      r["Occupation"] = YearOf(birth) + 20 > kThisYear ? "นักเรียน" : dice_.Pick(kJobs);
      rows.push_back(r);
    }

    for (Row& r : rows) {
      TDateTime birth = r["birth_date"].ToDateTime();
      // The old die: one in four of those born before 1950, a few of the others.
      if (dice_.Chance(YearOf(birth) < 1950 ? 25 : 2)) {
        TDateTime dead = std::max(birth + 365 * 40, dice_.DateIn(2000, kThisYear - 1));
        if (YearOf(dead) < kThisYear) {
          r["fimn_date"] = D(dead - 1 - dice_.Next(20));
          r["fimn_priest"] = dice_.Pick(kPriests);
          r["dead_No"] = IntToStr(1 + dice_.Next(40)) + "/" + IntToStr(YearOf(dead));
          r["Citydead_No"] = IntToStr(100000 + dice_.Next(900000));
          r["dead_date"] = D(dead);
          r["keep_date"] = D(dead + 3);
          r["keep_place"] = "สุสาน" + String(kParish.name);
          r["keep_priest"] = dice_.Pick(kPriests);
          r["reason"] = dice_.Chance(50) ? "ชราภาพ" : "โรคหัวใจ";
        }
      }
      if (movedIn) {
        r["DateIn"] = D(moveInDate);
        r["From_church"] = other.name;
      }
      if (movedOut) {
        r["DateOut"] = D(moveOutDate);
        r["To_church"] = other.name;
      }
      r["ID"] = Variant(static_cast<Int64>(++made_));
      members_.Add(r);
      if (movedIn || movedOut) {
        Row m;
        m["OrvID"] = r["ID"];
        m["NUM"] = r["NUM"];
        if (movedIn) {
          m["DateIn"] = D(moveInDate);
          m["MoveInBy"] = kPriests[0];
          m["FromChurch"] = other.name;
          m["MoveFromNo"] = IntToStr(1 + dice_.Next(90)) + "/" + IntToStr(YearOf(moveInDate));
          m["FromFr"] = dice_.Pick(kPriests);
        } else {
          m["DateOut"] = D(moveOutDate);
          m["MoveOutBy"] = kPriests[0];
          m["ToChurch"] = other.name;
          m["MoveToNo"] = IntToStr(1 + dice_.Next(90)) + "/" + IntToStr(YearOf(moveOutDate));
          m["ReceiveInBy"] = dice_.Pick(kPriests);
        }
        moves_.Add(m);
      }
    }
  }

  Dice dice_;
  Inserter members_;
  Inserter moves_;
  int made_ = 0;
  int households_ = 0;
  std::map<Word, int> baptismsByYear_;
};

void FillSettingsAndChurches(TADOConnection& connection) {
  TADOCommand settings(nullptr);
  settings.SetConnection(&connection);
  settings.SetCommandText(
      "UPDATE print SET ChurchT = :churchT, ChurchE = :churchE, AddrT = :addrT, AddrE = :addrE, "
      "Father = :father, ID = :code, Religion = :religion, Provience = :province, "
      "Church1 = :church, Church2 = :church, Church3 = :church");
  auto set = [&](const char* name, const Variant& value) {
    settings.Parameters().ParamByName(name)->SetValue(value);
  };
  set("churchT", kParish.name);
  set("churchE", "Sacred Heart Church");
  set("addrT", String("99 หมู่ 3 ต.บางช้าง ") + kParish.address2);
  set("addrE", "99 Moo 3, Bang Chang, Sam Phran, Nakhon Pathom 73110");
  set("father", kPriests[0]);
  set("code", kParish.code);
  set("religion", kCatholic);
  set("province", kParish.address2);
  set("church", kParish.name);
  settings.Execute();

  Inserter churches(connection, "church",
                    {"ID-Church", "Name-Church", "gen-name-church", "Address1", "Address2"});
  // The church list holds the name without "วัด": the churches window writes the word itself
  // before it on envelopes and in its questions.
  const String word = "วัด";
  for (const Church& c : kChurches)
    churches.Add({{"ID-Church", c.code}, {"Name-Church", String(c.name).substr(word.size())},
                  {"gen-name-church", c.shortName},
                  {"Address1", "1 ถนนวัด"}, {"Address2", c.address2}});
}

// Notifications for the first married men of the parish, with their wives as brides, and
// their witnesses, as the notifications window keeps them.
void FillNotifications(TADOConnection& connection, int count) {
  TADOQuery couples(nullptr);
  couples.SetConnection(&connection);
  couples.SQL().SetText(
      "select * from Orvani where sex = 'ชาย' and mtmn_date is not null order by ID");
  couples.Open();
  Inserter notices(connection, "MarriageNotify",
                   {"Notify_No", "MarriageID", "Marriage_Date", "Witness1", "Witness2", "Priest",
                    "Notify_to", "Certify_Date", "Certify_By", "Groom", "Gr_religion",
                    "GrBap_place", "GrBap_Date", "GrBap_No", "Groom_Fr", "GrFr_religion",
                    "Groom_Mo", "GrMo_religion", "Bride", "Br_religion", "BrBap_place",
                    "BrBap_Date"});
  auto text = [&](const char* column) { return couples.FieldByName(column)->Value(); };
  auto person = [&](const char* saint, const char* name) {
    return Variant(couples.FieldByName(saint)->AsString() + " " + couples.FieldByName(name)->AsString());
  };
  for (int n = 1; n <= count && !couples.Eof(); ++n, couples.Next()) {
    TDateTime wedding = couples.FieldByName("mtmn_date")->AsDateTime();
    notices.Add({{"Notify_No", Variant(static_cast<Int64>(n))},
                 {"MarriageID", text("mtmn_No")},
                 {"Marriage_Date", D(wedding)},
                 {"Witness1", person("mtmn_fatherSt", "mtmn_father")},
                 {"Witness2", person("mtmn_motherSt", "mtmn_mother")},
                 {"Priest", text("mtmn_priest")},
                 {"Notify_to", kChurches[1 + n % (kChurches.size() - 1)].name},
                 {"Certify_Date", D(wedding + 14)},
                 {"Certify_By", kPriests[0]},
                 {"Groom", Variant(couples.FieldByName("st")->AsString() + " " +
                                   couples.FieldByName("Nm")->AsString() + " " +
                                   couples.FieldByName("sur")->AsString())},
                 {"Gr_religion", text("religion")},
                 {"GrBap_place", text("btsm_wat")},
                 {"GrBap_Date", text("btsm_date")},
                 {"GrBap_No", text("btsm_No")},
                 {"Groom_Fr", person("papa_st", "papa_nm")},
                 {"GrFr_religion", text("papa_relig")},
                 {"Groom_Mo", person("mama_st", "mama_nm")},
                 {"GrMo_religion", text("mama_relig")},
                 {"Bride", person("couple_St", "couple_nm")},
                 {"Br_religion", text("couple_religion")},
                 {"BrBap_place", text("couple_btsmPlace")},
                 {"BrBap_Date", text("couple_btsmDate")}});
  }
}

}  // namespace

void FillDemoParish(TADOConnection& connection, int members, unsigned seed) {
  connection.BeginTrans();
  try {
    FillSettingsAndChurches(connection);
    ParishMaker(connection, seed).Make(members);
    FillNotifications(connection, 12);
    connection.CommitTrans();
  } catch (...) {
    connection.RollbackTrans();
    throw;
  }
}

void CreateDemoParish(const String& folder, int members, unsigned seed) {
  String dir = ExcludeTrailingPathDelimiter(folder);
  if (!ForceDirectories(dir + "/Picture"))
    throw EInOutError("Cannot create the folder " + dir + "/Picture");
  String file = dir + "/" + ParishDatabaseName;
  CreateParishDatabase(file);
  TADOConnection connection(nullptr);
  connection.SetDatabaseFile(file);
  connection.Open();
  FillDemoParish(connection, members, seed);
  DrawParishLogo(dir + "/Picture/Logo.jpg");
  // The notifications window shows its own logo where a notification has no picture.
  DrawParishLogo(dir + "/Picture/Logo1.jpg");
}

void DrawParishLogo(const String& fileName) {
  // Photos are 340 by 380; the logo stands in for a photo, so it has the same size.
  TBitmap bitmap(340, 380);
  TCanvas& c = bitmap.Canvas();
  c.Brush().SetColor(RGB(240, 244, 250));
  c.FillRect(TRect{0, 0, 340, 380});
  c.Pen().SetColor(RGB(30, 60, 130));
  c.Pen().SetWidth(10);
  c.Brush().SetColor(RGB(210, 225, 245));
  c.Ellipse(40, 60, 300, 320);
  c.Pen().SetColor(RGB(180, 140, 30));
  c.Brush().SetColor(RGB(235, 190, 50));
  c.Rectangle(155, 95, 185, 290);
  c.Rectangle(105, 145, 235, 175);
  TJPEGImage jpeg;
  jpeg.Assign(&bitmap);
  SafeWriteFile(fileName, [&](const String& tempName) { jpeg.SaveToFile(tempName); });
}

}  // namespace orv
