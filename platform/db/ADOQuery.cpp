#include "platform/db/ADODB.h"
#include "platform/db/Sqlite.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TADOQuery, c) {}

TADOQuery::TADOQuery(TComponent* owner)
    : TCustomADODataSet(owner), sql_(std::make_unique<TStringList>()) {
  sql_->OnChange = [this](TObject*) {
    Close();
    parameters_.ParseSQL(sql_->Text());
  };
}

TADOQuery::~TADOQuery() = default;

String TADOQuery::StatementText() const { return sql_->Text(); }

Integer TADOQuery::ExecSQL() {
  if (!Connection()) DatabaseError("Missing Connection or ConnectionString");
  const String text = sql_->Text();
  TADOConnection::TWrite write(*Connection(), text);
  rowsAffected_ = ExecuteAll(Database(), text, &parameters_);
  write.Commit();
  return rowsAffected_;
}

ORV_IMPLEMENT_CLASS(TADOCommand, c) {}

TADOCommand::TADOCommand(TComponent* owner) : TComponent(owner) {}

void TADOCommand::SetConnection(TADOConnection* connection) {
  if (connection_ == connection) return;
  if (connection_) connection_->RemoveFreeNotification(this);
  connection_ = connection;
  if (connection_) connection_->FreeNotification(this);
}

void TADOCommand::SetCommandText(const String& text) {
  commandText_ = text;
  parameters_.ParseSQL(text);
}

Integer TADOCommand::Execute() {
  if (!connection_) throw EDatabaseError("Missing Connection or ConnectionString");
  TADOConnection::TWrite write(*connection_, commandText_);
  Integer changed = ExecuteAll(connection_->Handle(), commandText_, &parameters_);
  write.Commit();
  return changed;
}

void TADOCommand::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == connection_) connection_ = nullptr;
}

}  // namespace orv
