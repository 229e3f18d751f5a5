// The component-information record of the core library, and the interface of the classes
// that offer one (tmp_COMInfo). Components describe themselves with it: file name, key,
// version, group, title, maker, date and an icon.
#pragma once

#include <memory>
#include <string>

#include "tlx/object.h"
#include "tlx/picture.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CoreComInfo : public Object {
  public:
    const std::string& FILENAME() const { return fileName_; }
    void FILENAME(std::string v) { fileName_ = std::move(v); }
    const std::string& KEY() const { return key_; }
    void KEY(std::string v) { key_ = std::move(v); }
    const std::string& VERSION() const { return version_; }
    void VERSION(std::string v) { version_ = std::move(v); }
    const std::string& GROUP() const { return group_; }
    void GROUP(std::string v) { group_ = std::move(v); }
    const std::string& TITLE() const { return title_; }
    void TITLE(std::string v) { title_ = std::move(v); }
    const std::string& MAKER() const { return maker_; }
    void MAKER(std::string v) { maker_ = std::move(v); }
    const Date& DATE() const { return date_; }
    void DATE(Date v) { date_ = v; }
    const std::shared_ptr<cls_CorePicture>& ICON() const { return icon_; }
    void ICON(std::shared_ptr<cls_CorePicture> v) { icon_ = std::move(v); }

    // Fills the record at once; `pDate` is a day in the form day.month.year, as "5.12.2001".
    void FILL(std::string pFileName, std::string pKey, std::string pVersion, std::string pGroup,
              std::string pTitle, std::string pMaker, const std::string& pDate);

  private:
    std::string fileName_;
    std::string key_;
    std::string version_;
    std::string group_;
    std::string title_;
    std::string maker_;
    Date date_;
    std::shared_ptr<cls_CorePicture> icon_;
};

// Implemented by component-information classes (inf_<Name>).
class tmp_COMInfo {
  public:
    tmp_COMInfo() = default;
    tmp_COMInfo(const tmp_COMInfo&) = delete;
    tmp_COMInfo& operator=(const tmp_COMInfo&) = delete;
    virtual ~tmp_COMInfo();
    // The record; made on first read.
    virtual std::shared_ptr<cls_CoreComInfo> COMINFO() = 0;
    virtual void COMINFO(std::shared_ptr<cls_CoreComInfo> pInfo) = 0;
};

// A day given as day.month.year ("5.12.2001"); throws tlx::Error for anything else.
Date DateFromDayMonthYear(const std::string& text);

}  // namespace tlx
