// PLACEHOLDER: replaced by the command catalogue work.
