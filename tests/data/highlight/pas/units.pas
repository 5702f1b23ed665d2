{ Sample unit: every construct that carries
  state from one line to the next. }
unit Shapes;

interface

uses SysUtils, Classes;

type
  TShape = class(TObject)
  private
    FItems: array[1..10] of Integer;
    FName: string;
    function GetItem(Index: Integer): Integer;
  public
    constructor Create; virtual;
    procedure Draw; overload; reintroduce;
    property Items[Index: Integer]: Integer
      read GetItem write SetItem; default;
    property Name: string read FName
      (* the rule ends here *) write FName;
    property Count: Integer index 3 read GetCount stored False
      nodefault implements IShape;
  end;

implementation

const
  Crlf = #13#10;
  Mask = $FF00;
  Ratio = 1.5E3;
  Tiny = 1E-5;
  Quote = 'It''s';
  Broken = 'no end

function TShape.GetItem(Index: Integer): Integer;
begin
  Result := FItems[Index]; // plain line comment { not a brace
  if (Result <> 0) and (Index >= 1) then Exit(@@Result);
  (* a { b *) Inc(Result);
  { a (* b } Dec(Result);
end;

procedure Fast; assembler;
asm
  MOV EAX, [EDX + 4]   // asm comment
  { brace
    comment in asm }  PUSH EBX
  (* round
  comment in asm *) POP EBX
  DB 'x', $90, 12
END;

procedure Odd;
var p: ^Integer; s: set of Char;
begin
  p^ := 1 | 2; s := ['a'..'z']; (.x.);
  Writeln(1..2, Begin1, begin_, _begin);
end;

end.
